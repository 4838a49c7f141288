#include "dm/RunJournalText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>
#include <charconv>
#include <functional>

namespace vantrelis::dm::RunJournalText {

namespace {

// Appends a JSON string literal, quotes and escapes included (RFC 8259: the quote, the backslash and
// the control characters escaped, everything else as it is). The characters between two escapes go
// in at once: most values need no escape at all.
void AppendString(QString& out, const QString& text) {
    out += QLatin1Char('"');
    const QChar* const data = text.constData();
    qsizetype plain = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = data[i].unicode();
        if (c >= 0x20 && c != u'"' && c != u'\\')
            continue;
        out.append(data + plain, i - plain);
        plain = i + 1;
        switch (c) {
        case u'"':
            out += QLatin1String("\\\"");
            break;
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        default:
            out += QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0'));
        }
    }
    out.append(data + plain, text.size() - plain);
    out += QLatin1Char('"');
}

void AppendWhole(QString& out, qint64 number) {
    char digits[24];
    const auto written = std::to_chars(digits, digits + sizeof digits, number);
    out += QLatin1String(digits, written.ptr - digits);
}

} // namespace

QString ColumnValues(const ColumnList& values) {
    // QJsonObject would sort the keys; the columns keep the order they were set in.
    QString text;
    text.reserve(16 + 32 * qsizetype(values.size()));
    text += QLatin1Char('{');
    for (const auto& [name, value] : values) {
        if (text.size() > 1)
            text += QLatin1Char(',');
        AppendString(text, name);
        text += QLatin1Char(':');
        if (value.isNull())
            text += QLatin1String("null");
        else
            AppendString(text, value);
    }
    text += QLatin1Char('}');
    return text;
}

QString Trustees(const std::vector<std::pair<qint64, qint64>>& trustees) {
    QString text;
    text.reserve(2 + 20 * qsizetype(trustees.size()));
    text += QLatin1Char('[');
    for (const auto& [id, rights] : trustees) {
        if (text.size() > 1)
            text += QLatin1Char(',');
        text += QLatin1Char('[');
        AppendWhole(text, id);
        text += QLatin1Char(',');
        AppendWhole(text, rights);
        text += QLatin1Char(']');
    }
    text += QLatin1Char(']');
    return text;
}

QString ChainRows(const std::vector<ChainLink>& links) {
    QString text;
    text.reserve(2 + 24 * qsizetype(links.size()));
    text += QLatin1Char('[');
    for (const ChainLink& link : links) {
        if (text.size() > 1)
            text += QLatin1Char(',');
        text += QLatin1Char('[');
        AppendWhole(text, link.row);
        text += link.isFirst ? QLatin1String(",\"Y\",") : QLatin1String(",\"N\",");
        AppendWhole(text, link.next);
        text += QLatin1Char(']');
    }
    text += QLatin1Char(']');
    return text;
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
