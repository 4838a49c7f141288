#include "dm/SqlRows.h"

#include "common/Text.h"

namespace vantrelis::dm {

SqlRows::SqlRows(SqlGateway& gateway, const QString& statement) : m_gateway(gateway) {
    m_sent = m_gateway.ExecuteSQL(statement);
    if (m_sent && rowCount() > 0)
        m_row = 1;
}

SqlRows::~SqlRows() {
    // A destructor must not raise: a failing release leaves the results to the next statement,
    // which releases them before it is sent.
    try {
        m_gateway.Release();
    } catch (...) {
    }
}

DmSql* SqlRows::sql() const {
    return m_gateway.session().sql.get();
}

qint64 SqlRows::error() const {
    const DmSql* object = sql();
    if (!object)
        return 0;
    const qint64 number = object->errorNumber();
    return number == 9 ? 0 : number;
}

int SqlRows::rowCount() const {
    const DmSql* object = sql();
    return m_sent && object ? object->rowCount() : 0;
}

qint64 SqlRows::rowsAffected() const {
    const DmSql* object = sql();
    return m_sent && object ? object->rowsAffected() : 0;
}

bool SqlRows::first() {
    DmSql* object = sql();
    if (!object || rowCount() == 0) {
        m_row = 0;
        return false;
    }
    object->setRow(1);
    m_row = 1;
    return true;
}

bool SqlRows::next() {
    DmSql* object = sql();
    if (!object || m_row == 0 || m_row >= rowCount()) {
        m_row = 0;
        return false;
    }
    object->nextRow();
    ++m_row;
    return true;
}

QString SqlRows::value(int column) const {
    const DmSql* object = sql();
    if (!object || m_row == 0)
        return QString();
    return object->columnValue(column);
}

qint64 SqlRows::scalar() const {
    if (rowCount() == 0)
        return 0;
    return LeadingWhole(value(1));
}

} // namespace vantrelis::dm
