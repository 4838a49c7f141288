#pragma once

#include "dm/local/LibraryDatabase.h"

#include <QString>

namespace vantrelis::testing {

// Overwrites the root page of a table in the library's file with garbage, as a disk or a careless
// copy would, after moving everything written so far from the journal into the file. Answers false
// when the page could not be found or written.
bool DamageTable(dm::local::LibraryDatabase& database, const QString& table);

} // namespace vantrelis::testing
