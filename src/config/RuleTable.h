#pragma once

#include <QMultiHash>
#include <QString>
#include <array>
#include <utility>
#include <vector>

namespace vantrelis {

// The folder rule table: rows 1..count() of 17 text fields. Field 1 is the library name,
// field 2 the rule name in upper case, fields 3-14 the rule keys, 15-17 working fields of the
// document filing.
class RuleTable {
public:
    static constexpr int kFieldCount = 17;
    static constexpr int kLibrary = 1;
    static constexpr int kName = 2;
    static constexpr int kValues = 3;
    static constexpr int kTemplate = 4;
    static constexpr int kSecurity = 5;
    static constexpr int kForm = 6;
    static constexpr int kAutoCreateFolders = 7;
    static constexpr int kCreatePublicFolders = 8;
    static constexpr int kMoveInto = 9;
    static constexpr int kInheritMetadata = 10;
    static constexpr int kInheritSecurity = 11;
    static constexpr int kAppendTrustees = 12;
    static constexpr int kWorkspaceAuthor = 13;
    static constexpr int kWorkspaceTypist = 14;
    static constexpr int kFirstWorkingField = 15;
    static constexpr int kLastWorkingField = 17;

    // Field a rule key ("RULE_TEMPLATE", any letter case) is kept in; 0 for an unknown key.
    static int FieldOfKey(const QString& ruleKey);
    // The rule key (SECTION_KEY of the settings table) a field is stored under; empty for the
    // library, the name and the working fields.
    static QString KeyOfField(int field);
    // Fields 3-6 hold texts, 7-14 switches ("1"/"0").
    static bool IsSwitchField(int field) { return field >= kAutoCreateFolders && field <= kWorkspaceTypist; }

    int count() const { return static_cast<int>(m_rows.size()); }
    void Clear();
    // Appends an empty row and answers its number.
    int Append();

    // Empty text outside the table.
    QString field(int row, int field) const;
    QString field(int row, const QString& ruleKey) const { return this->field(row, FieldOfKey(ruleKey)); }
    void setField(int row, int field, const QString& value);

    // Row of a library's rule, library name compared exactly, rule name ignoring case; 0 when none.
    int Find(const QString& libraryName, const QString& ruleName) const;

private:
    using Row = std::array<QString, kFieldCount + 1>;
    // Library name as stored, rule name in upper case.
    using Key = std::pair<QString, QString>;
    static Key KeyOf(const Row& row);

    std::vector<Row> m_rows;
    // Rows by library and rule name, so that loading many rule rows stays linear.
    QMultiHash<Key, int> m_index;
};

} // namespace vantrelis
