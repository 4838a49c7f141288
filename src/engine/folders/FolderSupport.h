#pragma once

#include "config/RuleTable.h"
#include "dm/DmLibrary.h"
#include "dm/DmSql.h"
#include "dm/SqlGateway.h"

#include <QString>

namespace vantrelis::engine {

// The SQL object and the current library the folder engine works on; each raises the
// object-not-set fault, naming the procedure, when its slot is empty.
dm::DmSql& SessionSql(const dm::SqlGateway& gateway, const QString& source);
dm::DmLibrary& SessionLibrary(const dm::SqlGateway& gateway, const QString& source);

// A rule's switch is set when its stored text reads as the number 1.
bool RuleSwitch(const RuleTable& rules, int ruleIndex, int field);

// The text between double-quote characters, as names stand in messages.
QString InQuotes(const QString& text);

// The FOLDER_ITEM column NEXT, always written in double quotes.
QString NextColumn();

} // namespace vantrelis::engine
