#pragma once

#include <QString>

namespace vantrelis::app {

// How far startup got. Shutdown saves only what startup had put on the window, so that a start
// that stops early does not overwrite the saved choices with an empty window's.
enum class StartupStage {
    Begun,
    WindowPlaced, // the window stands at its saved place
    LogLoaded,    // the log file and verbose logging are the saved ones
    FormFilled,   // libraries, import set and document options are on the window
};

// The program-wide values startup prepares for the windows and the run, and how the program ends.
struct ProgramState {
    QString programFolder;
    QString executablePath;
    // Where the readme is: beside the program, else in the installed data folder (it may be missing).
    QString readmePath;
    // The file the run reads, as startup and the import file chooser last set it.
    QString importFileName;
    // "(" + version + " patch " + patch level + ")", or the version alone.
    QString dmVersion;
    StartupStage stage = StartupStage::Begun;
    // Set once the shutdown has begun; the program ends with exitStatus.
    bool ended = false;
    int exitStatus = 0;

    static constexpr const char* kReadmeName = "Vantrelis_Import_Readme.txt";
    // The readme beside the program, else in the data folder of an installation ("share/vantrelis"
    // beside the program's "bin", or in the system's data folders); the first path when none exists.
    static QString FindReadme(const QString& programFolder);
};

// Exit statuses of the program.
inline constexpr int kExitNormal = 0;
inline constexpr int kExitErrors = 1;
inline constexpr int kExitStopped = 2;

} // namespace vantrelis::app
