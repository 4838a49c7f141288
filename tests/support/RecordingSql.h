#pragma once

#include "dm/DmSql.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace vantrelis::testing {

// What the recording SQL object answers to one instruction.
struct SqlAnswer {
    qint64 answer = 0; // what execute() returns
    qint64 errorNumber = 0;
    qint64 rowsAffected = 0;
    std::vector<QStringList> rows; // values by column, as text
};

// A DmSql that records every call and answers from a script: the first rule whose fragment occurs
// in the instruction answers it, otherwise the instruction succeeds with no rows.
class RecordingSql : public dm::DmSql {
public:
    // Answers instructions containing `fragment` (case-sensitive) from now on.
    void on(const QString& fragment, const SqlAnswer& answer);
    // Raised from execute() for instructions containing `fragment`.
    void failOn(const QString& fragment, qint64 number, const QString& description);
    // Engine code reported once the object is bound to a library (0 before).
    void setEngine(int engineCode) { m_engine = engineCode; }
    // Reports this engine code even when bound (a lost vendor).
    void setUnboundEngine(bool unbound) { m_unbound = unbound; }

    const QStringList& executed() const { return m_executed; }
    const QStringList& tokens() const { return m_tokens; }
    const QStringList& libraries() const { return m_libraries; }
    int releases() const { return m_releases; }
    const std::vector<int>& rowsSet() const { return m_rowsSet; }
    int currentRow() const { return m_row; }
    void clearRecord();

    void setToken(const QString& token) override;
    void setLibrary(const QString& libraryName) override;
    int engineCode() const override;
    qint64 execute(const QString& instruction) override;
    qint64 errorNumber() const override { return m_current.errorNumber; }
    QString errorText() const override { return QString(); }
    qint64 rowsAffected() const override { return m_current.rowsAffected; }
    int rowCount() const override { return static_cast<int>(m_current.rows.size()); }
    int columnCount() const override;
    QString columnValue(int column) const override;
    QString columnName(int column) const override;
    void setRow(int row) override;
    int nextRow() override;
    void releaseResults() override;
    qint64 nextKey(const QString& counterName) override;
    // Scopes are recorded in executed() as "<begin>", "<commit>" and "<rollback>".
    void beginTransaction() override;
    void commitTransaction() override;
    void rollbackTransaction() noexcept override;

private:
    struct Rule {
        QString fragment;
        SqlAnswer answer;
        bool raises = false;
        qint64 faultNumber = 0;
        QString faultText;
    };

    std::vector<Rule> m_rules;
    QStringList m_executed;
    QStringList m_tokens;
    QStringList m_libraries;
    int m_releases = 0;
    std::vector<int> m_rowsSet;
    int m_engine = 10;
    bool m_unbound = false;
    bool m_bound = false;
    SqlAnswer m_current;
    int m_row = 0;
    qint64 m_key = 0;
};

} // namespace vantrelis::testing
