#include "engine/folders/FolderSupport.h"

#include "common/Fault.h"
#include "common/FaultReport.h"
#include "common/Text.h"
#include "dm/FolderItemRow.h"

namespace vantrelis::engine {

namespace {

[[noreturn]] void ObjectNotSet(const QString& source, const QString& what) {
    throw Fault(kObjectNotSetNumber, source,
                QStringLiteral("Object variable not set (") + what + QLatin1Char(')'));
}

} // namespace

dm::DmSql& SessionSql(const dm::SqlGateway& gateway, const QString& source) {
    dm::DmSql* sql = gateway.session().sql.get();
    if (!sql)
        ObjectNotSet(source, QStringLiteral("SQL object"));
    return *sql;
}

dm::DmLibrary& SessionLibrary(const dm::SqlGateway& gateway, const QString& source) {
    dm::DmLibrary* library = gateway.session().currentLibrary.get();
    if (!library)
        ObjectNotSet(source, QStringLiteral("current library"));
    return *library;
}

bool RuleSwitch(const RuleTable& rules, int ruleIndex, int field) {
    return LeadingNumber(rules.field(ruleIndex, field)) == 1.0;
}

QString InQuotes(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString NextColumn() {
    return dm::FolderItemRow::NextColumn();
}

} // namespace vantrelis::engine
