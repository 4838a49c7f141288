#include "dm/local/LocalColumn.h"

#include "dm/local/LocalProfile.h"
#include "dm/local/ProfileColumnMap.h"

namespace vantrelis::dm::local {

LocalColumn::LocalColumn(std::shared_ptr<LocalProfile> profile, int column)
    : m_profile(std::move(profile)), m_column(column) {}

QString LocalColumn::name() const {
    return ProfileColumns().at(static_cast<std::size_t>(m_column)).name;
}

QString LocalColumn::value() const {
    return m_profile->columnValue(m_column);
}

void LocalColumn::setValue(const QString& value) {
    m_profile->setColumnValue(m_column, value);
}

bool LocalColumn::isProtected() const {
    return ProfileColumns().at(static_cast<std::size_t>(m_column)).kind == ColumnKind::Protected;
}

} // namespace vantrelis::dm::local
