#include "dm/RunJournalText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>
#include <functional>

namespace vantrelis::dm::RunJournalText {

namespace {

// A JSON string literal, quotes and escapes included (RFC 8259: the quote, the backslash and the
// control characters escaped, everything else as it is).
QString JsonString(const QString& text) {
    QString literal;
    literal.reserve(text.size() + 2);
    literal += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            literal += QStringLiteral("\\\"");
            break;
        case '\\':
            literal += QStringLiteral("\\\\");
            break;
        case '\n':
            literal += QStringLiteral("\\n");
            break;
        case '\r':
            literal += QStringLiteral("\\r");
            break;
        case '\t':
            literal += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                literal += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                literal += c;
        }
    }
    literal += QLatin1Char('"');
    return literal;
}

} // namespace

QString ColumnValues(const ColumnList& values) {
    // QJsonObject would sort the keys; the columns keep the order they were set in.
    QStringList members;
    for (const auto& [name, value] : values)
        members += JsonString(name) + QLatin1Char(':') +
                   (value.isNull() ? QStringLiteral("null") : JsonString(value));
    return QLatin1Char('{') + members.join(QLatin1Char(',')) + QLatin1Char('}');
}

QString Trustees(const std::vector<std::pair<qint64, qint64>>& trustees) {
    QStringList entries;
    for (const auto& [id, rights] : trustees)
        entries += QLatin1Char('[') + QString::number(id) + QLatin1Char(',') + QString::number(rights) +
                   QLatin1Char(']');
    return QLatin1Char('[') + entries.join(QLatin1Char(',')) + QLatin1Char(']');
}

QString ChainRows(const std::vector<ChainLink>& links) {
    QStringList entries;
    for (const ChainLink& link : links)
        entries += QLatin1Char('[') + QString::number(link.row) +
                   (link.isFirst ? QStringLiteral(",\"Y\",") : QStringLiteral(",\"N\",")) +
                   QString::number(link.next) + QLatin1Char(']');
    return QLatin1Char('[') + entries.join(QLatin1Char(',')) + QLatin1Char(']');
}

namespace {

// Reads a JSON array whose entries are arrays, each handed to `entry`; false when the text is no such
// array or `entry` refuses one.
bool ReadArrays(const QString& text, const std::function<bool(const QJsonArray&)>& entry) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return false;
    for (const QJsonValue& value : document.array())
        if (!value.isArray() || !entry(value.toArray()))
            return false;
    return true;
}

qint64 Whole(const QJsonValue& value) {
    return static_cast<qint64>(value.toDouble());
}

} // namespace

bool ReadTrustees(const QString& text, std::vector<std::pair<qint64, qint64>>& trustees) {
    trustees.clear();
    return ReadArrays(text, [&trustees](const QJsonArray& pair) {
        if (pair.size() != 2 || !pair.at(0).isDouble() || !pair.at(1).isDouble())
            return false;
        trustees.emplace_back(Whole(pair.at(0)), Whole(pair.at(1)));
        return true;
    });
}

bool ReadChainRows(const QString& text, std::vector<ChainLink>& links) {
    links.clear();
    return ReadArrays(text, [&links](const QJsonArray& link) {
        if (link.size() != 3 || !link.at(0).isDouble() || !link.at(1).isString() || !link.at(2).isDouble())
            return false;
        links.push_back({Whole(link.at(0)), link.at(1).toString() == QLatin1String("Y"), Whole(link.at(2))});
        return true;
    });
}

} // namespace vantrelis::dm::RunJournalText
