#pragma once

#include <QtGlobal>

namespace vantrelis::dm::local {

// Error numbers of the local object model (application, library, folder, profile, trustee list).
// They sit beside the database's own numbers (30000 + SQLite code, 302xx), which a save passes on
// unchanged when the database itself refuses a write.
inline constexpr qint64 kErrorInvalidValue = 31001;    // a lookup value names no row
inline constexpr qint64 kErrorRequiredValue = 31002;   // a column that must hold a value is empty
inline constexpr qint64 kErrorAmbiguousValue = 31003;  // a matter id found under several clients
inline constexpr qint64 kErrorProtectedColumn = 31004; // write to a protected column
inline constexpr qint64 kErrorNotANumber = 31005;      // a number column given other text
inline constexpr qint64 kErrorUnknownTrustee = 31006;  // person or group the library does not know
inline constexpr qint64 kErrorNotATrustee = 31007;     // removal of a trustee without an entry
inline constexpr qint64 kErrorNoDocument = 31008;      // the document does not exist (any more)
inline constexpr qint64 kErrorNotConnected = 31009;    // library cannot be opened or lacks the user

// Source named by the object model's faults.
inline constexpr const char* kModelFaultSource = "DOCSObjects";

} // namespace vantrelis::dm::local
