#pragma once

#include <QFile>
#include <QString>
#include <QVariantList>
#include <memory>

namespace vantrelis::dm::local {

// The statement trace (VANTRELIS_SQL_TRACE): one line per statement the backend executes,
// "LIBRARY<TAB>statement", with backslash, CR, LF and TAB escaped as \\, \r, \n and \t; statements
// run with parameters get a third field "-- params: v1, v2", each value the SQL literal of what was
// bound (NULL, 12, 2.5, 'O''Neil', X'01AB'). The file is opened
// once and written line by line in append mode, so several processes can share one file.
class SqlTrace {
public:
    // The trace named by VANTRELIS_SQL_TRACE, or nullptr when unset or not writable.
    static std::shared_ptr<SqlTrace> FromEnvironment();

    explicit SqlTrace(const QString& file);
    bool isOpen() const { return m_file.isOpen(); }
    void write(const QString& libraryName, const QString& sql, const QVariantList& params = {});

    // The statement as written to the trace (escaped, one line).
    static QString Escape(const QString& sql);

private:
    QFile m_file;
};

} // namespace vantrelis::dm::local
