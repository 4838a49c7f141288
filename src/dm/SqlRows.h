#pragma once

#include "dm/SqlGateway.h"

#include <QString>

namespace vantrelis::dm {

// Sends one statement through the gateway (logged as ExecuteSQL logs it) and reads its result
// rows; the result set is released when the reader goes out of scope, on every path.
//
//     SqlRows rows(gateway, statement);
//     for (bool more = rows.first(); more; more = rows.next())
//         use(rows.value(1));
class SqlRows {
public:
    SqlRows(SqlGateway& gateway, const QString& statement);
    ~SqlRows();
    SqlRows(const SqlRows&) = delete;
    SqlRows& operator=(const SqlRows&) = delete;

    // ExecuteSQL's answer: false when the statement was not sent at all.
    bool sent() const { return m_sent; }
    // The database's error number for the statement (0 when it ran; 9 counts as ran).
    qint64 error() const;
    // Sent and run without an error.
    bool ok() const { return m_sent && error() == 0; }

    int rowCount() const;
    qint64 rowsAffected() const;
    // Moves to the first row; false when there is none.
    bool first();
    // Moves to the next row; false when there is none.
    bool next();
    // 1-based column on the current row; empty text without a row.
    QString value(int column) const;
    // The first column of the first row as a whole number (leading digits), 0 without a row.
    qint64 scalar() const;

private:
    DmSql* sql() const;

    SqlGateway& m_gateway;
    bool m_sent = false;
    int m_row = 0;
};

} // namespace vantrelis::dm
