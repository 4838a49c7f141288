#pragma once

#include "dm/local/LibraryStore.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vantrelis::testing {

// A folder's items in chain order, read from the library; a chain that is not one clean list fails
// the test, naming what is wrong.
QStringList ChainNames(dm::local::LibraryStore& store, qint64 parent);

// The folders named `name` at the top level (parent 0) or among the parent's items, lowest first.
QList<qint64> FoldersNamed(dm::local::LibraryStore& store, const QString& name, qint64 parent);

} // namespace vantrelis::testing
