#pragma once

#include <QString>
#include <vector>

namespace vantrelis::dm::local {

// How a profile column is stored.
enum class ColumnKind {
    Text,      // PROFILE text column, written as given
    Number,    // PROFILE integer column; other text is refused when set
    Flag,      // PROFILE 'Y'/'N' column
    Lookup,    // id text of a row of another table; PROFILE holds that row's SYSTEM_ID
    Client,    // CLIENT.CLIENT_ID; not stored itself, it selects the matter's client
    Matter,    // MATTER.MATTER_ID within the client; PROFILE.MATTER holds MATTER.SYSTEM_ID
    Protected, // kept by the library; never written through the object model
};

// One column of the object model's view of PROFILE.
struct ProfileColumnDef {
    QString name;          // name in the column collection
    ColumnKind kind;       // how the value is stored
    QString profileColumn; // PROFILE column written (empty for CLIENT_ID)
    QString lookupTable;   // table a lookup value names a row of
    QString lookupKey;     // that table's id column
    bool listed;           // part of count()/item(index); "$DEFAULT_RIGHTS" is by name only
};

// The column collection of every profile, in collection order, with "$DEFAULT_RIGHTS" last.
const std::vector<ProfileColumnDef>& ProfileColumns();
// Index into ProfileColumns() by name, ignoring case; -1 when there is none.
int ProfileColumnIndex(const QString& name);

} // namespace vantrelis::dm::local
