#pragma once

#include <QHash>
#include <QString>

struct sqlite3_stmt;

namespace vantrelis::dm::local {

// The prepared statements of a library connection by SQL text: the program repeats the same texts
// many times. The SQL object's statements (guarded: checked by the authorizer) are kept apart from
// the backend's own. Each statement carries whether it writes PEOPLE or GROUPS.
class StatementCache {
public:
    struct Entry {
        sqlite3_stmt* statement = nullptr;
        bool writesNameTables = false;
    };

    StatementCache() = default;
    ~StatementCache() { clear(); }
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    // nullptr when the text was not prepared yet.
    const Entry* find(bool guarded, const QString& sql) const;
    // Keeps a statement. A full cache is emptied first: texts that carry literal values (one per
    // folder name, say) would otherwise pile up.
    void insert(bool guarded, const QString& sql, const Entry& entry);
    // Finalizes every statement.
    void clear();

private:
    QHash<QString, Entry> m_statements;
    QHash<QString, Entry> m_guarded;
};

} // namespace vantrelis::dm::local
