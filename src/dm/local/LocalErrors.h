#pragma once

#include <QtGlobal>

namespace vantrelis::dm::local {

// The local backend's error numbers, one table: each row is the constant's name, its number and what
// it means. None is 0, 9 or -2147417851, which the program reads as "success" or "server
// unreachable". A failure reported by SQLite itself carries kSqliteErrorBase + SQLite's primary
// result code (the first rows name the codes the backend itself tests for); 302xx are failures the
// database layer detects itself, 310xx the administration layer's, 311xx the object model's.
inline constexpr qint64 kSqliteErrorBase = 30000;

#define VANTRELIS_LOCAL_ERRORS(X)                                                                            \
    X(kErrorSqlite, kSqliteErrorBase + 1, "SQL error: syntax error, no such table or column")                \
    X(kErrorLocked, kSqliteErrorBase + 5,                                                                    \
      "busy: another writer held the library past the busy timeout; a passing failure, try again")           \
    X(kErrorCorrupt, kSqliteErrorBase + 11, "the database file is damaged (malformed)")                      \
    X(kErrorDiskFull, kSqliteErrorBase + 13, "the disk under the library is full")                           \
    X(kErrorConstraint, kSqliteErrorBase + 19, "constraint violated (UNIQUE, NOT NULL)")                     \
    X(kErrorReadOnly, kSqliteErrorBase + 8,                                                                  \
      "refused: the library is open for reading only (a check or a report), nothing may be written")         \
    X(kErrorNotAuthorized, kSqliteErrorBase + 23,                                                            \
      "refused: the statement would reach outside the library or take over its transactions")                \
    X(kErrorNotADatabase, kSqliteErrorBase + 26, "the file is not a database")                               \
    X(kErrorFileMissing, 30200, "the library file does not exist")                                           \
    X(kErrorFileUnreadable, 30201, "the library file cannot be opened or read")                              \
    X(kErrorSchemaIncomplete, 30202, "the library lacks tables, columns or its own REMOTE_LIBRARIES row")    \
    X(kErrorNotBound, 30203, "the SQL object is not bound to a valid login token and a known library")       \
    X(kErrorSeveralStatements, 30204, "more than one statement in one text")                                 \
    X(kErrorEmptyStatement, 30205, "the text holds no statement")                                            \
    X(kErrorServerCommand, 30206, "a malformed or unknown server command")                                   \
    X(kErrorFileExists, 30207, "creating a library over an existing file")                                   \
    X(kErrorKeyCounter, 30208, "a key counter could not be advanced")                                        \
    X(kErrorLibraryUnknown, 30209, "the library is not in the server file")                                  \
    X(kErrorTransaction, 30210, "commit without a transaction, or a transaction refused")                    \
    X(kErrorFileReplaced, 30211, "the library file was replaced or deleted while in use")                    \
    X(kErrorNotWritable, 30212, "the library file or its folder cannot be written")                          \
    X(kErrorServerUnreachable, 30213,                                                                        \
      "the library's database server cannot be reached or refuses the login")                                \
    X(kErrorConnectionLost, 30214, "the connection to the library's database server was lost")               \
    X(kAdminUnknownName, 31001, "a name that the library does not know")                                     \
    X(kAdminDuplicate, 31002, "a row that already exists")                                                   \
    X(kAdminBadArgument, 31003, "a missing or malformed argument")                                           \
    X(kErrorInvalidValue, 31101, "a lookup value names no row")                                              \
    X(kErrorRequiredValue, 31102, "a column that must hold a value is empty")                                \
    X(kErrorAmbiguousValue, 31103, "a matter id found under several clients, no client given")               \
    X(kErrorProtectedColumn, 31104, "a write to a protected column")                                         \
    X(kErrorNotANumber, 31105, "a number column given other text")                                           \
    X(kErrorUnknownTrustee, 31106, "a person or group the library does not know for a trustee list")         \
    X(kErrorNotATrustee, 31107, "the removal of a trustee without an entry")                                 \
    X(kErrorNoDocument, 31108, "the document does not exist (any more)")                                     \
    X(kErrorNotConnected, 31109, "the library cannot be opened or lacks the user")

#define VANTRELIS_LOCAL_ERROR_CONSTANT(name, number, text) inline constexpr qint64 name = number;
VANTRELIS_LOCAL_ERRORS(VANTRELIS_LOCAL_ERROR_CONSTANT)
#undef VANTRELIS_LOCAL_ERROR_CONSTANT

struct LocalError {
    qint64 number;
    const char* name;
    const char* text;
};

#define VANTRELIS_LOCAL_ERROR_ROW(name, number, text) LocalError{number, #name, text},
inline constexpr LocalError kLocalErrors[] = {VANTRELIS_LOCAL_ERRORS(VANTRELIS_LOCAL_ERROR_ROW)};
#undef VANTRELIS_LOCAL_ERROR_ROW

// Whether a failure passes by itself (another writer held the library): the same work may succeed
// when tried again, and nothing about the library is wrong.
inline constexpr bool IsPassingError(qint64 number) {
    return number == kErrorLocked;
}

// Source named by the object model's faults.
inline constexpr const char* kModelFaultSource = "DOCSObjects";

} // namespace vantrelis::dm::local
