#pragma once

#include <QtGlobal>

namespace vantrelis::dm::local {

// The local backend's own error numbers. None is 0, 9 or -2147417851, which the program reads
// as "success" or "server unreachable". A failure reported by SQLite itself carries
// kSqliteErrorBase + SQLite's primary result code (30001 SQL error, 30005 busy, ...).
inline constexpr qint64 kSqliteErrorBase = 30000;
inline constexpr qint64 kErrorSqlite = kSqliteErrorBase + 1;      // SQL error: syntax, no such table
inline constexpr qint64 kErrorLocked = kSqliteErrorBase + 5;      // locked past the busy timeout
inline constexpr qint64 kErrorCorrupt = kSqliteErrorBase + 11;    // database disk image is malformed
inline constexpr qint64 kErrorConstraint = kSqliteErrorBase + 19; // UNIQUE, NOT NULL, ...
inline constexpr qint64 kErrorNotADatabase = kSqliteErrorBase + 26;

// Failures the backend detects itself.
inline constexpr qint64 kErrorFileMissing = 30200;       // library file does not exist
inline constexpr qint64 kErrorFileUnreadable = 30201;    // exists but cannot be opened or read
inline constexpr qint64 kErrorSchemaIncomplete = 30202;  // tables or columns missing
inline constexpr qint64 kErrorNotBound = 30203;          // SQL object without token or library
inline constexpr qint64 kErrorSeveralStatements = 30204; // more than one statement in one text
inline constexpr qint64 kErrorEmptyStatement = 30205;    // nothing to execute
inline constexpr qint64 kErrorServerCommand = 30206;     // malformed or unknown server command
inline constexpr qint64 kErrorFileExists = 30207;        // Create over an existing file
inline constexpr qint64 kErrorKeyCounter = 30208;        // a key counter could not be advanced
inline constexpr qint64 kErrorLibraryUnknown = 30209;    // library not in the server file
inline constexpr qint64 kErrorTransaction = 30210;       // commit without begin, nested begin

} // namespace vantrelis::dm::local
