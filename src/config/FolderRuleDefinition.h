#pragma once

#include "common/LibraryQueries.h"
#include "config/RuleTable.h"

#include <QString>
#include <vector>

namespace vantrelis {

// A folder rule as it is written to a library: its name and the values of its twelve rule keys.
// The defaults are those of the default rule, but for the template and the security template.
struct FolderRuleDefinition {
    QString name;
    QString values = QStringLiteral("%APPLICATION.APPLICATION% <> 'FOLDER'");
    QString pathTemplate;
    QString security;
    QString form = QStringLiteral("***DEFAULT FORM***");
    int autoCreateFolders = 1;
    int createPublicFolders = 1;
    int moveInto = 0;
    int inheritMetadata = 1;
    int inheritSecurity = 1;
    int appendTrustees = 1;
    int workspaceAuthor = 0;
    int workspaceTypist = 0;

    // The rule a library without rules of its own gets ("***DEFAULT RULE***").
    static FolderRuleDefinition DefaultRule();
    static QString DefaultTemplate();
    static QString DefaultSecurity();

    // Writes the rule into a row of the rule table, for the library named.
    void Fill(RuleTable& rules, int row, const QString& libraryName) const;
    // The settings table rows that hold the rule, one per rule key, under its name in upper case
    // (empty for a rule without a name, which the writer refuses).
    std::vector<SettingsRow> settingsRows() const;

private:
    struct FieldValue {
        int field;
        QString text; // the value of a text field
        int number;   // the value of a switch field
    };
    std::vector<FieldValue> fieldValues() const;
};

} // namespace vantrelis
