#include "engine/security/SecurityTemplate.h"

#include "common/Text.h"

namespace vantrelis::engine {

namespace {

bool IsSeparator(QChar c) {
    return c == QLatin1Char(';') || c == QLatin1Char(',');
}

// Drops every leading separator, blanks included. Runs of ";" and "," may be mixed in any order:
// taking only ";" and then only "," would leave ",;" half removed and glue the entries after it
// into one, losing all but the first of them.
QString SkipSeparators(QString text) {
    text = TrimBlanks(text);
    while (!text.isEmpty() && IsSeparator(text.front()))
        text = TrimBlanks(text.mid(1));
    return text;
}

qsizetype FirstSeparator(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (IsSeparator(text[i]))
            return i;
    }
    return -1;
}

struct Token {
    const char* text;
    int kind;
    QString ProfileParties::*party;
};

const Token kTokens[] = {
    {"AUTHOR", SecurityTemplate::kPerson, &ProfileParties::authorId},
    {"AUTHOR.USER_ID", SecurityTemplate::kPerson, &ProfileParties::authorId},
    {"TYPIST", SecurityTemplate::kPerson, &ProfileParties::typistId},
    {"TYPIST.USER_ID", SecurityTemplate::kPerson, &ProfileParties::typistId},
    {"AUTHOR.PRIMARY_GROUP", SecurityTemplate::kGroup, &ProfileParties::authorGroup},
    {"AUTHOR.PRIMARY_GROUP.GROUP_ID", SecurityTemplate::kGroup, &ProfileParties::authorGroup},
    {"TYPIST.PRIMARY_GROUP", SecurityTemplate::kGroup, &ProfileParties::typistGroup},
    {"TYPIST.PRIMARY_GROUP.GROUP_ID", SecurityTemplate::kGroup, &ProfileParties::typistGroup},
};

} // namespace

TrusteeRow SecurityTemplate::Reference(const QString& reference, const ProfileParties& parties) {
    QString text = reference;
    bool profileForm = false;
    while (text.startsWith(QLatin1Char('%'))) {
        text = TrimBlanks(text.mid(1));
        profileForm = true;
    }
    while (text.endsWith(QLatin1Char('%'))) {
        text = TrimBlanks(text.chopped(1));
        profileForm = true;
    }

    TrusteeRow row;
    if (profileForm) {
        const QString token = text.toUpper();
        for (const Token& known : kTokens) {
            if (token == QLatin1String(known.text)) {
                row.name = parties.*known.party;
                row.kind = known.kind;
                break;
            }
        }
        return row;
    }

    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return row;
    const QString prefix = TrimBlanks(text.left(colon)).toUpper();
    row.name = TrimBlanks(text.mid(colon + 1)).toUpper();
    if (prefix.startsWith(QLatin1String("GROUP")))
        row.kind = kGroup;
    else if (prefix.startsWith(QLatin1String("USER")) || prefix == QLatin1String("PEOPLE") ||
             prefix == QLatin1String("PERSON"))
        row.kind = kPerson;
    return row;
}

TrusteeTable SecurityTemplate::Resolve(const QString& securityTemplate, const ProfileParties& parties,
                                       const std::function<void(const TrusteeRow&)>& added) {
    TrusteeTable table;
    QString rest = securityTemplate;
    while (!rest.isEmpty()) {
        rest = SkipSeparators(rest);
        if (rest.isEmpty())
            break;
        QString entry;
        const qsizetype separator = FirstSeparator(rest);
        if (separator >= 0) {
            entry = TrimBlanks(rest.left(separator));
            rest = TrimBlanks(rest.mid(separator + 1));
        } else {
            entry = rest; // the last entry
            rest.clear();
        }

        const qsizetype equals = entry.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        TrusteeRow row = Reference(TrimBlanks(entry.left(equals)), parties);
        if (row.kind == 0 || row.name.isEmpty())
            continue;
        row.rights = LeadingWhole(TrimBlanks(entry.mid(equals + 1)));

        bool merged = false;
        for (TrusteeRow& known : table) {
            if (known.name == row.name) {
                if (row.rights > known.rights)
                    known.rights = row.rights;
                merged = true;
                break;
            }
        }
        if (merged)
            continue;
        if (added)
            added(row);
        table.push_back(row);
    }
    return table;
}

} // namespace vantrelis::engine
