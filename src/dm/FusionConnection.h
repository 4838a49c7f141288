#pragma once

#include "common/Log.h"
#include "common/SettingsStore.h"
#include "dm/ConnectionView.h"
#include "dm/DmFactory.h"
#include "dm/DmSession.h"
#include "dm/LibraryConfigLoader.h"
#include "dm/LibraryContext.h"
#include "dm/SqlGateway.h"

#include <QString>

namespace vantrelis::dm {

// The DM login and the connection of a library: binds the shared SQL object, identifies the
// engine, runs the per-library checks once per program run and loads the library's configuration.
class FusionConnection {
public:
    FusionConnection(const DmFactory& factory, DmSession& session, LibraryContext& library,
                     SqlGateway& gateway, Log& log, SettingsStore& settings);

    // The main window, once it exists; nothing is shown before.
    void setView(ConnectionView* view) { m_view = view; }
    // Runs after every successful connection; nothing is loaded while none is set.
    void setConfigLoader(LibraryConfigLoader* loader) { m_loader = loader; }

    // Logs in once and connects the user's current library. True when both succeeded.
    bool StartFusion();
    // Makes the named library (trimmed, any letter case) the current one. True when it is.
    bool ConnectLibrary(const QString& libraryName);

    // Whether the last failed connection failed for a passing reason (another writer held the
    // library): the library is sound, and a later connection may succeed.
    bool lastFailurePassing() const { return m_lastFailurePassing; }

private:
    bool StartFailure(const QString& text);
    bool ConnectionFailure(const QString& name, bool result);
    int DetectEngine(const QString& libraryName);
    void CheckLibrary(int row, const QString& libraryName);
    void CheckUniqueNames(const QString& libraryName);
    void CheckQuotedIdentifier(int row, const QString& libraryName);
    // A warning box; when nobody is there to see it ("/G" with "/X") its text goes to the log
    // instead. True when the box was shown.
    bool Warn(const QString& text, const QString& title);
    bool CheckSettingsTable(int row);
    void ReadGeneralSettings();
    void SetBusy();

    const DmFactory& m_factory;
    DmSession& m_session;
    LibraryContext& m_library;
    SqlGateway& m_gateway;
    Log& m_log;
    SettingsStore& m_settings;
    ConnectionView* m_view = nullptr;
    LibraryConfigLoader* m_loader = nullptr;
    // The current library slot holds a library whose connection went through. A connection that
    // failed after the slot was switched leaves it false, so the next request connects in full
    // instead of answering true for a library the SQL object is not bound to.
    bool m_connected = false;
    bool m_lastFailurePassing = false;
};

} // namespace vantrelis::dm
