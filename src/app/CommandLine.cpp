#include "app/CommandLine.h"

#include <QList>
#include <vector>

namespace vantrelis::app {

namespace {

enum class SwitchKind { Flag, Value };

struct SwitchName {
    QLatin1StringView name;
    SwitchKind kind;
};

// Longer names first, so that "/ADNF" is never read as something shorter.
constexpr SwitchName kSwitches[] = {
    {QLatin1StringView("/ADNF"), SwitchKind::Flag}, {QLatin1StringView("/ADEF"), SwitchKind::Flag},
    {QLatin1StringView("/F"), SwitchKind::Value},   {QLatin1StringView("/S"), SwitchKind::Value},
    {QLatin1StringView("/P"), SwitchKind::Flag},    {QLatin1StringView("/G"), SwitchKind::Flag},
    {QLatin1StringView("/X"), SwitchKind::Flag},
};

struct FoundSwitch {
    QLatin1StringView name;
    QString value;
    bool valueInNextArgument = false;
};

bool IsValueLead(QChar c) {
    return c == QLatin1Char('-') || c == QLatin1Char('=') || c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

const SwitchName* SwitchAt(const QString& argument, qsizetype pos) {
    const QStringView rest = QStringView(argument).mid(pos);
    for (const SwitchName& candidate : kSwitches) {
        if (rest.startsWith(candidate.name, Qt::CaseInsensitive))
            return &candidate;
    }
    return nullptr;
}

// A value that starts with a double quote runs to the next double quote, or to the end when none follows.
// Returns the position just after the closing quote (or the end).
qsizetype QuotedValue(const QString& argument, qsizetype quote, QString& value) {
    const qsizetype close = argument.indexOf(QLatin1Char('"'), quote + 1);
    if (close < 0) {
        value = argument.mid(quote + 1).trimmed();
        return argument.size();
    }
    value = argument.mid(quote + 1, close - quote - 1).trimmed();
    return close + 1;
}

// For every "/" of one argument: whether the text from there on is made of switches only. `spaced` is
// for a "/" that begins the argument or follows a blank, where a value switch is known by its name
// alone ("/Sclients"); `glued` for a "/" right after other text, where a switch name must end at "/",
// the end of the argument, or (for "/F" and "/S") "=" or a double quote, so that a path such as
// "/data/sales/in.csv" is not read as switches. One pass from the end: the argument is read without
// recursion and in linear time, however many switches are glued together.
struct SwitchTails {
    std::vector<bool> spaced;
    std::vector<bool> glued;

    explicit SwitchTails(const QString& argument)
        : spaced(size_t(argument.size()) + 1, false), glued(size_t(argument.size()) + 1, false) {
        const qsizetype size = argument.size();
        for (qsizetype pos = size - 1; pos >= 0; --pos) {
            if (argument[pos] != QLatin1Char('/'))
                continue;
            const SwitchName* name = SwitchAt(argument, pos);
            if (!name)
                continue;
            const qsizetype after = pos + name->name.size();
            if (name->kind == SwitchKind::Flag) {
                const bool ends = FlagEnds(argument, after);
                spaced[size_t(pos)] = ends;
                glued[size_t(pos)] = ends;
            } else {
                const QChar next = after < size ? argument[after] : QChar();
                spaced[size_t(pos)] = true;
                glued[size_t(pos)] = after == size || next == QLatin1Char('/') || next == QLatin1Char('=') ||
                                     next == QLatin1Char('"');
            }
        }
    }

    // A flag ends at the end of the argument, at a glued switch, or at blanks before a switch.
    bool FlagEnds(const QString& argument, qsizetype after) const {
        if (after == argument.size())
            return true;
        if (argument[after] == QLatin1Char('/'))
            return glued[size_t(after)];
        if (!IsBlank(argument[after]))
            return false;
        qsizetype next = after;
        while (next < argument.size() && IsBlank(argument[next]))
            ++next;
        return next == argument.size() || (argument[next] == QLatin1Char('/') && spaced[size_t(next)]);
    }
};

// Whether the argument after "/F" or "/S" is switches ("/G", "/g/x", "/S=Clients") rather than their
// value; read as strictly as switches glued to a value, so that a path such as "/srv/in.csv" stays
// the value.
bool IsSwitchArgument(const QString& argument) {
    return argument.startsWith(QLatin1Char('/')) && SwitchTails(argument).glued[0];
}

// Where the unquoted value that starts at `start` ends: before the first "/" that begins a run of
// switches reaching to the end of the argument. A value that begins with "/" is a path and is cut only
// where a blank comes before the switch: "/srv/imports/p" is the file, not the file "/srv/imports"
// and "/P".
qsizetype ValueEnd(const QString& argument, qsizetype start, const SwitchTails& tails) {
    const bool path = argument[start] == QLatin1Char('/');
    for (qsizetype pos = start + 1; pos < argument.size(); ++pos) {
        if (argument[pos] != QLatin1Char('/'))
            continue;
        if (IsBlank(argument[pos - 1]) ? tails.spaced[size_t(pos)] : !path && tails.glued[size_t(pos)])
            return pos;
    }
    return argument.size();
}

// Reads the switches of one argument, glued ("/G/X", "/Ffile.txt/G") or apart ("/F=file.txt /G"), in one
// pass. False when the argument is not made of switches, e.g. the path "/gary/x.csv".
bool ReadSwitches(const QString& argument, QList<FoundSwitch>& found) {
    if (!argument.startsWith(QLatin1Char('/')))
        return false;
    const SwitchTails tails(argument);
    if (!tails.spaced[0])
        return false;
    qsizetype pos = 0;
    while (pos < argument.size()) {
        const SwitchName* name = SwitchAt(argument, pos);
        const qsizetype after = pos + name->name.size();
        if (name->kind == SwitchKind::Flag) {
            found.append({name->name, QString(), false});
            pos = after;
            while (pos < argument.size() && IsBlank(argument[pos]))
                ++pos;
            continue;
        }
        qsizetype start = after;
        while (start < argument.size() && IsValueLead(argument[start]))
            ++start;
        if (start == argument.size()) {
            found.append({name->name, QString(), true});
            return true;
        }
        FoundSwitch value{name->name, QString(), false};
        if (argument[start] == QLatin1Char('"')) {
            qsizetype next = QuotedValue(argument, start, value.value);
            found.append(value);
            while (next < argument.size() && argument[next].isSpace())
                ++next;
            // What follows a quoted value counts only when it is switches.
            if (next == argument.size() || argument[next] != QLatin1Char('/') || !tails.spaced[size_t(next)])
                return true;
            pos = next;
            continue;
        }
        // Nothing but switches after the name ("/F/G/X"): the value is empty, as with "/F" "/G" "/X".
        if (argument[start] == QLatin1Char('/') && tails.glued[size_t(start)]) {
            found.append(value);
            pos = start;
            continue;
        }
        const qsizetype end = ValueEnd(argument, start, tails);
        value.value = argument.mid(start, end - start).trimmed();
        found.append(value);
        pos = end;
    }
    return true;
}

// The argument after a switch whose value was not glued to it: the whole argument is the value (it may
// hold blanks and "/"), after the leading "-" and "=" are dropped and a leading double quote is honoured.
QString SeparateValue(const QString& argument) {
    qsizetype start = 0;
    while (start < argument.size() && IsValueLead(argument[start]))
        ++start;
    if (start < argument.size() && argument[start] == QLatin1Char('"')) {
        QString value;
        QuotedValue(argument, start, value);
        return value;
    }
    return argument.mid(start).trimmed();
}

bool IsOption(const QString& argument) {
    return argument.startsWith(QLatin1StringView("--"));
}

// Takes the options out of `arguments` into `result` and answers the rest, for the switches.
QStringList ReadOptions(const QStringList& arguments, CommandLine& result) {
    QStringList rest;
    const QLatin1StringView report("--report");
    const QLatin1StringView undo("--undo");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!IsOption(argument)) {
            rest.append(argument);
        } else if (argument == QLatin1StringView("--help")) {
            result.help = true;
        } else if (argument == QLatin1StringView("--version")) {
            result.version = true;
        } else if (argument == QLatin1StringView("--check")) {
            result.check = true;
        } else if (argument == QLatin1StringView("--profile-from-line")) {
            result.profileFromLine = true;
        } else if (argument == QLatin1StringView("--runs")) {
            result.runs = true;
        } else if (argument == report && i + 1 < arguments.size() && !arguments[i + 1].isEmpty()) {
            result.reportFile = arguments[++i];
        } else if (argument.startsWith(report + QLatin1Char('=')) && argument.size() > report.size() + 1) {
            result.reportFile = argument.mid(report.size() + 1);
        } else if (argument == undo && i + 1 < arguments.size() && !arguments[i + 1].trimmed().isEmpty() &&
                   !IsOption(arguments[i + 1])) {
            result.undoRun = arguments[++i].trimmed().toUpper();
        } else if (argument.startsWith(undo + QLatin1Char('=')) && argument.size() > undo.size() + 1) {
            result.undoRun = argument.mid(undo.size() + 1).trimmed().toUpper();
        } else if (result.unknownOption.isEmpty()) {
            result.unknownOption = argument;
        }
    }
    return rest;
}

bool IsOnlyValueLeads(const QString& argument) {
    for (QChar c : argument) {
        if (!IsValueLead(c))
            return false;
    }
    return true;
}

} // namespace

CommandLine CommandLine::Parse(const QStringList& allArguments) {
    CommandLine result;
    result.text = allArguments.join(QLatin1Char(' ')).toUpper().trimmed();
    const QStringList arguments = ReadOptions(allArguments, result);

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString argument = arguments[i].trimmed();
        QList<FoundSwitch> found;
        if (!ReadSwitches(argument, found))
            continue;
        for (FoundSwitch& item : found) {
            if (item.valueInNextArgument) {
                // "/F = file.txt" arrives as three arguments; the "=" alone is not the value. An empty
                // argument ("/F "" /G", an empty variable) is an empty value, and a following switch
                // ("/F /G /X") is not taken for the value.
                while (i + 1 < arguments.size() && !IsSwitchArgument(arguments[i + 1].trimmed())) {
                    const QString& next = arguments[++i];
                    item.value = SeparateValue(next);
                    if (!item.value.isEmpty() || next.trimmed().isEmpty() || !IsOnlyValueLeads(next))
                        break;
                }
            }
            const QLatin1StringView name = item.name;
            if (name == QLatin1StringView("/G")) {
                result.go = true;
            } else if (name == QLatin1StringView("/X")) {
                result.exitWhenDone = true;
            } else if (name == QLatin1StringView("/P")) {
                result.purgeLog = true;
            } else if (name == QLatin1StringView("/ADNF")) {
                result.addNewDocs = true;
            } else if (name == QLatin1StringView("/ADEF")) {
                result.addExistingDocs = true;
            } else if (name == QLatin1StringView("/F")) {
                // The first occurrence counts, as with a search of the command line.
                if (!result.hasImportFile) {
                    result.hasImportFile = true;
                    result.importFile = item.value;
                }
            } else if (name == QLatin1StringView("/S")) {
                if (!result.hasImportSet) {
                    result.hasImportSet = true;
                    result.importSet = item.value.toUpper();
                }
            }
        }
    }
    return result;
}

QString CommandLine::Usage() {
    return QStringLiteral(
        "Usage: vantrelis-import [switches] [options]\n"
        "\n"
        "Builds folder structures in DM libraries from an import file.\n"
        "\n"
        "Switches (any letter case; several may be glued, as in /G/X):\n"
        "  /F file     import file for this run, instead of the one used last time\n"
        "  /S name     import set to select (saved as the one to select next time)\n"
        "  /ADNF       add documents to new folders\n"
        "  /ADEF       add documents to existing folders\n"
        "  /P          delete the log file and today's dated log before the first line\n"
        "  /G          start the import run as soon as the program is up\n"
        "  /X          end the program when the run is done; with /G no message box is shown\n"
        "\n"
        "Options:\n"
        "  --help      print this text and end\n"
        "  --version   print the program's version and end\n"
        "  --check     check only: read the file, connect, check the rights and look up every\n"
        "              path, but create, link, file and secure nothing; the log and the summary\n"
        "              say what would be created and filed\n"
        "  --report FILE  (or --report=FILE) write a CSV report with one row per import file line\n"
        "              and library: line, library, path, outcome (created, found, failed, skipped,\n"
        "              would-create), folder_docnumber, folders_created, documents_filed,\n"
        "              document_errors, first_error\n"
        "  --profile-from-line  fill each new folder's profile from its import line: the lookup\n"
        "              columns the template reaches up to that folder's level (for the default\n"
        "              rule, a new matter folder gets the line's client and matter), so that the\n"
        "              documents of that matter are filed into it\n"
        "  --runs      list the import runs of the current library and the ticked ones, newest\n"
        "              first, one line per run and library: run id, library, start, user, import\n"
        "              file, import set and counts; then end. A library without the run journal\n"
        "              says so (vantrelis-dm upgrade adds it)\n"
        "\n"
        "Exit status: 0 run without errors, 1 run with errors counted, 2 stopped before or during\n"
        "the run (a check, the login, the rights, a fault) or an unknown option.\n");
}

} // namespace vantrelis::app
