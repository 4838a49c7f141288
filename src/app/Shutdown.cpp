#include "app/Shutdown.h"

#include "common/SavedSetting.h"
#include "common/StandardLines.h"
#include "common/Text.h"

#include <QLocale>

namespace vantrelis::app {

namespace {
QString Switch(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}
} // namespace

Shutdown::Shutdown(AppContext& context, MainView& main, ProgramState& state, EndProgram endProgram)
    : m_context(context), m_main(main), m_state(state), m_endProgram(std::move(endProgram)) {}

void Shutdown::Form_Unload(int exitStatus) noexcept {
    if (m_state.ended)
        return;
    m_state.ended = true;
    m_state.exitStatus = exitStatus;
    Log& log = m_context.log();
    try {
        m_main.setBusy(true);
        m_main.yield();
        m_main.setWindowShown(false);
        m_main.yield();
    } catch (...) {
    }
    try {
        SaveSettings();
    } catch (...) {
    }
    m_context.session().Release();
    try {
        log.ShowStatus(StandardLines::ProgramEnded(log.clock().now(), QLocale::system()));
        log.WriteLog(StandardLines::StepSeparator());
    } catch (...) {
    }
    // The program's last lines are in the file before it ends.
    log.CloseFile();
    // A log that lost lines is a failure of its own, even after a run without errors.
    if (log.writeFailed() && exitStatus == kExitNormal) {
        exitStatus = kExitErrors;
        m_state.exitStatus = exitStatus;
    }
    try {
        m_main.setBusy(false);
        if (m_endProgram)
            m_endProgram(exitStatus);
    } catch (...) {
    }
}

void Shutdown::SaveSettings() {
    SettingsStore& settings = m_context.settings();
    if (m_state.stage >= StartupStage::WindowPlaced) {
        const QPoint position = m_main.position();
        SavedSetting::ScreenLeft().save(settings, FormatWhole(position.x()));
        SavedSetting::ScreenTop().save(settings, FormatWhole(position.y()));
    }
    if (m_state.stage >= StartupStage::LogLoaded) {
        SavedSetting::LogMethod().save(settings, Switch(m_main.verboseLogging()));
        SavedSetting::LogFile(QString()).save(settings, m_context.log().baseName());
    }
    if (m_state.stage < StartupStage::FormFilled)
        return;
    const RunChoices choices = m_main.runChoices();
    SavedSetting::CheckAddNewDocs().save(settings, Switch(choices.addNewDocs));
    SavedSetting::CheckAddExistingDocs().save(settings, Switch(choices.addExistingDocs));
    SavedSetting::CheckFillFromLine().save(settings, Switch(choices.fillFromLine));
    SavedSetting::ComboImportSet().save(settings, choices.importSet);
    for (const LibraryChoice& library : choices.libraries)
        SavedSetting::Library(library.name).save(settings, Switch(library.ticked));
}

} // namespace vantrelis::app
