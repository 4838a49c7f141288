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

    // "/G" together with "/X": nobody is there to answer a message box.
    bool unattended() const { return go && exitWhenDone; }

    // `arguments` are the program's arguments without the program name. A switch is an argument that
    // begins with a switch name (any letter case); several may be glued ("/G/X"). The value of "/F" and
    // "/S" is the rest of its argument after "-", "=" and blanks, or else the next argument whole.
    static CommandLine Parse(const QStringList& arguments);
};

} // namespace vantrelis::app
