#pragma once

#include <QString>

struct sqlite3;

namespace vantrelis::dm::local {

// SQLite's authorizer on a library connection. While guarded (the SQL object's statements) it
// refuses what would reach outside the library or take over its transactions, and keeps what it
// refused for the fault's text. Always, it notes whether a statement being prepared writes a table
// rows are found in by name (PEOPLE, GROUPS and the lookup tables APPS, DOCUMENTTYPES, FORMS,
// CLIENT and MATTER; by SQLite's own account of the statement, triggers and schema changes
// included), so that what was read from them can be forgotten.
class StatementAuthorizer {
public:
    void install(sqlite3* db);

    bool guarded() const { return m_guarded; }
    void setGuarded(bool guarded) { m_guarded = guarded; }
    const QString& denied() const { return m_denied; }
    void clearDenied() { m_denied.clear(); }

    // Starts noting the tables of a statement about to be prepared.
    void startStatement() { m_writesNameTables = false; }
    bool writesNameTables() const { return m_writesNameTables; }

private:
    static int Authorize(void* self, int action, const char* first, const char* second, const char* database,
                         const char* trigger);
    int authorize(int action, const char* first, const char* second);

    bool m_guarded = false;
    QString m_denied;
    bool m_writesNameTables = false;
};

// Guards the authorizer for the lifetime of the object.
class GuardedScope {
public:
    explicit GuardedScope(StatementAuthorizer& authorizer) : m_authorizer(authorizer) {
        m_authorizer.setGuarded(true);
    }
    ~GuardedScope() { m_authorizer.setGuarded(false); }
    GuardedScope(const GuardedScope&) = delete;
    GuardedScope& operator=(const GuardedScope&) = delete;

private:
    StatementAuthorizer& m_authorizer;
};

} // namespace vantrelis::dm::local
