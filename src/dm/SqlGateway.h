#pragma once

#include "common/Log.h"
#include "common/SettingsStore.h"
#include "dm/DmSession.h"
#include "dm/LibraryContext.h"

#include <QString>

namespace vantrelis::dm {

// The single way SQL reaches a library: one instruction at a time on the shared SQL object of
// the current library, logged with its outcome. The result set stays in the SQL object for the
// caller to read (session().sql) and release.
class SqlGateway {
public:
    // The DM server interface is unreachable (HRESULT 0x80010105).
    static constexpr qint64 kServerInterfaceError = -2147417851;

    SqlGateway(DmSession& session, LibraryContext& library, Log& log, SettingsStore& settings);

    DmSession& session() const { return m_session; }
    LibraryContext& library() const { return m_library; }

    // False only when the instruction was not sent (objects missing or lost, or a fault); an
    // instruction the database rejects is logged and still answers true. A damaged library is
    // not trapped here: LibraryDamaged goes on to the caller.
    bool ExecuteSQL(const QString& instruction);
    // Whether the table exists in the current library, by the engine's own catalogue.
    bool TableExists(const QString& table);

    // Column value on the current row; empty when there is no SQL object or no row.
    QString Value(int column) const;
    // Releases the result set, when there is an SQL object.
    void Release();
    // Whether the last instruction was refused for a passing reason (another writer held the
    // library): an empty answer then says nothing about the library's rows or rights.
    bool LastErrorPassing() const { return m_lastErrorPassing; }
    // How many instructions were refused for a passing reason so far: a caller compares it before
    // and after a series of reads whose empty answers must not be taken for the library's.
    qint64 PassingErrors() const { return m_passingErrors; }

private:
    bool Guard(const QString& text);
    void ReportServerInterface();

    DmSession& m_session;
    LibraryContext& m_library;
    Log& m_log;
    SettingsStore& m_settings;
    bool m_lastErrorPassing = false;
    qint64 m_passingErrors = 0;
};

} // namespace vantrelis::dm
