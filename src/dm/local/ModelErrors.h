#pragma once

#include <QtGlobal>

namespace vantrelis::dm::local {

// Error numbers of the local object model (application, library, folder, profile, trustee list),
// 311xx so they stay apart from the admin layer's 310xx.
// They sit beside the database's own numbers (30000 + SQLite code, 302xx), which a save passes on
// unchanged when the database itself refuses a write.
inline constexpr qint64 kErrorInvalidValue = 31101;    // a lookup value names no row
inline constexpr qint64 kErrorRequiredValue = 31102;   // a column that must hold a value is empty
inline constexpr qint64 kErrorAmbiguousValue = 31103;  // a matter id found under several clients
inline constexpr qint64 kErrorProtectedColumn = 31104; // write to a protected column
inline constexpr qint64 kErrorNotANumber = 31105;      // a number column given other text
inline constexpr qint64 kErrorUnknownTrustee = 31106;  // person or group the library does not know
inline constexpr qint64 kErrorNotATrustee = 31107;     // removal of a trustee without an entry
inline constexpr qint64 kErrorNoDocument = 31108;      // the document does not exist (any more)
inline constexpr qint64 kErrorNotConnected = 31109;    // library cannot be opened or lacks the user

// Source named by the object model's faults.
inline constexpr const char* kModelFaultSource = "DOCSObjects";

} // namespace vantrelis::dm::local
