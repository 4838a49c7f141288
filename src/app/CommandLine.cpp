#include "app/CommandLine.h"

#include <QList>

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

// Reads the switches glued together from `pos` to the end of one argument ("/G/X", "/Ffile.txt/G").
// False when the text there is not made of switches only, e.g. the path "/gary/x.csv": a path is never
// taken for a switch.
bool ReadSwitches(const QString& argument, qsizetype pos, QList<FoundSwitch>& found) {
    const SwitchName* name = SwitchAt(argument, pos);
    if (!name)
        return false;
    const qsizetype after = pos + name->name.size();
    if (name->kind == SwitchKind::Flag) {
        if (after == argument.size()) {
            found.append({name->name, QString(), false});
            return true;
        }
        QList<FoundSwitch> tail;
        if (argument[after] != QLatin1Char('/') || !ReadSwitches(argument, after, tail))
            return false;
        found.append({name->name, QString(), false});
        found.append(tail);
        return true;
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
        while (next < argument.size() && argument[next].isSpace())
            ++next;
        QList<FoundSwitch> tail;
        found.append(value);
        if (next < argument.size() && argument[next] == QLatin1Char('/') &&
            ReadSwitches(argument, next, tail))
            found.append(tail);
        return true;
    }
    // An unquoted glued value ends before a following glued switch.
    for (qsizetype p = start + 1; p < argument.size(); ++p) {
        QList<FoundSwitch> tail;
        if (argument[p] == QLatin1Char('/') && ReadSwitches(argument, p, tail)) {
            value.value = argument.mid(start, p - start).trimmed();
            found.append(value);
            found.append(tail);
            return true;
        }
    }
    value.value = argument.mid(start).trimmed();
    found.append(value);
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

bool IsOnlyValueLeads(const QString& argument) {
    for (QChar c : argument) {
        if (!IsValueLead(c))
            return false;
    }
    return true;
}

} // namespace

CommandLine CommandLine::Parse(const QStringList& arguments) {
    CommandLine result;
    result.text = arguments.join(QLatin1Char(' ')).toUpper().trimmed();

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString argument = arguments[i].trimmed();
        QList<FoundSwitch> found;
        if (!argument.startsWith(QLatin1Char('/')) || !ReadSwitches(argument, 0, found))
            continue;
        for (FoundSwitch& item : found) {
            if (item.valueInNextArgument) {
                // "/F = file.txt" arrives as three arguments; the "=" alone is not the value.
                while (i + 1 < arguments.size()) {
                    const QString& next = arguments[++i];
                    item.value = SeparateValue(next);
                    if (!item.value.isEmpty() || !IsOnlyValueLeads(next))
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

} // namespace vantrelis::app
