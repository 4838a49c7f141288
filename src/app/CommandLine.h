#pragma once

#include <QString>
#include <QStringList>

namespace vantrelis::app {

// The program's command line, parsed once; every switch test reads this.
struct CommandLine {
    // The arguments joined by blanks, upper-cased and trimmed.
    QString text;

    bool go = false;              // "/G"
    bool exitWhenDone = false;    // "/X"
    bool purgeLog = false;        // "/P"
    bool addNewDocs = false;      // "/ADNF"
    bool addExistingDocs = false; // "/ADEF"

    bool hasImportFile = false; // "/F" value, letter case kept
    QString importFile;
    bool hasImportSet = false; // "/S" value, upper-cased
    QString importSet;

    // Options beyond the switches, each a whole argument beginning with "--" (exact spelling).
    bool help = false;            // "--help"
    bool version = false;         // "--version"
    bool check = false;           // "--check": walk every path with the real lookups, change nothing
    QString reportFile;           // "--report FILE" or "--report=FILE": the per-line report
    bool profileFromLine = false; // "--profile-from-line": new folders take their line's lookup values
    bool runs = false;            // "--runs": list the runs of the current and ticked libraries, and end
    QString undoRun;              // "--undo RUN": take back that run in the current and ticked libraries
    QString unknownOption;        // the first "--" argument that names no option, as given

    // "/G" together with "/X": nobody is there to answer a message box.
    bool unattended() const { return go && exitWhenDone; }

    // `arguments` are the program's arguments without the program name. A switch is an argument that
    // begins with a switch name (any letter case); several may be glued ("/G/X"). The value of "/F" and
    // "/S" is the rest of its argument after "-", "=" and blanks, or else the next argument whole.
    // Arguments that begin with "--" are options, never switches or switch values.
    static CommandLine Parse(const QStringList& arguments);

    // What "--help" prints: the switches and the options, one per line.
    static QString Usage();
};

} // namespace vantrelis::app
