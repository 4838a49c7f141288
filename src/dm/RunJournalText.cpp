#include "dm/RunJournalText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

namespace vantrelis::dm::RunJournalText {

namespace {

// A JSON string literal, quotes and escapes included.
QString JsonString(const QString& text) {
    const QString array = QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact));
    return array.mid(1, array.size() - 2); // ["text"] -> "text"
}

} // namespace

QString ColumnValues(const std::vector<std::pair<QString, QString>>& values) {
    // QJsonObject would sort the keys; the columns keep the order they were set in.
    QStringList members;
    for (const auto& [name, value] : values)
        members += JsonString(name) + QLatin1Char(':') + JsonString(value);
    return QLatin1Char('{') + members.join(QLatin1Char(',')) + QLatin1Char('}');
}

QString Trustees(const std::vector<std::pair<qint64, qint64>>& trustees) {
    QStringList entries;
    for (const auto& [id, rights] : trustees)
        entries += QLatin1Char('[') + QString::number(id) + QLatin1Char(',') + QString::number(rights) +
                   QLatin1Char(']');
    return QLatin1Char('[') + entries.join(QLatin1Char(',')) + QLatin1Char(']');
}

} // namespace vantrelis::dm::RunJournalText
