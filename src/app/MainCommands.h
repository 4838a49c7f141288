#pragma once

#include "app/AppContext.h"
#include "app/FileChooser.h"
#include "app/MainView.h"
#include "app/ProgramState.h"
#include "common/Fault.h"
#include "common/Launcher.h"

#include <functional>

namespace vantrelis::app {

// The main window's commands that reach below it: choosing the import file and the log file,
// switching the current library, Configure's checks, the readme, and the hooks through which Go,
// the import set editor and the DM settings viewer are reached.
class MainCommands {
public:
    MainCommands(AppContext& context, MainView& main, ProgramState& state, FileChooser& chooser,
                 Launcher& launcher);

    // The import run (told whether it only checks), the import set editor and the DM settings viewer
    // (each shown modally).
    void setImportRun(std::function<void(bool checkOnly)> run) { m_importRun = std::move(run); }
    void setImportSetEditor(std::function<void()> editor) { m_importSetEditor = std::move(editor); }
    void setSettingsViewer(std::function<void()> viewer) { m_settingsViewer = std::move(viewer); }

    // Go; "Check only" is the same command with `checkOnly`.
    void Button_Go_Click(bool checkOnly = false);
    void Button_Configure_Click();
    void ButtonFile_Click();
    void ButtonLogDir_Click();
    // A Libraries menu entry: its caption names the library.
    void MNLibList_Click(const QString& caption);
    void MNHelpReadme_Click();
    void MNQorvOptions_Click();

    static constexpr qint64 kCancelError = kCancelSelectedNumber;

private:
    [[noreturn]] static void Cancelled();

    AppContext& m_context;
    MainView& m_main;
    ProgramState& m_state;
    FileChooser& m_chooser;
    Launcher& m_launcher;
    // The import file dialog keeps its extension from one use to the next.
    QString m_importExtension;
    std::function<void(bool checkOnly)> m_importRun;
    std::function<void()> m_importSetEditor;
    std::function<void()> m_settingsViewer;
};

} // namespace vantrelis::app
