#include "app/LineReport.h"

#include <QStringList>

namespace vantrelis::app {

namespace {

QString Count(qint64 value) {
    return QString::number(value);
}

} // namespace

bool LineReport::Open(const QString& fileName) {
    Close();
    m_failed = false;
    m_file.setFileName(fileName);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_error = m_file.errorString();
        return false;
    }
    WriteFields({QStringLiteral("line"), QStringLiteral("library"), QStringLiteral("path"),
                 QStringLiteral("outcome"), QStringLiteral("folder_docnumber"),
                 QStringLiteral("folders_created"), QStringLiteral("documents_filed"),
                 QStringLiteral("document_errors"), QStringLiteral("first_error")});
    return true;
}

void LineReport::Write(const Row& row) {
    // A line break inside the error would cut the row for tools that read line by line.
    QString error = row.error;
    error.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    error.replace(QLatin1Char('\r'), QLatin1Char(' '));
    error.replace(QLatin1Char('\n'), QLatin1Char(' '));
    WriteFields({Count(row.line), row.library, row.path, row.outcome,
                 row.folder > 0 ? Count(row.folder) : QString(), Count(row.foldersCreated),
                 Count(row.documentsFiled), Count(row.documentErrors), error});
}

void LineReport::Close() {
    if (m_file.isOpen())
        m_file.close();
}

QString LineReport::Field(const QString& text) {
    const bool quoted = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                        text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
                        (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quoted)
        return text;
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

void LineReport::WriteFields(const QStringList& fields) {
    if (!m_file.isOpen())
        return;
    QStringList out;
    for (const QString& field : fields)
        out.append(Field(field));
    const QByteArray bytes = (out.join(QLatin1Char(',')) + QStringLiteral("\r\n")).toUtf8();
    // A report that cannot be written any more is closed; the run goes on.
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        m_error = m_file.errorString();
        m_failed = true;
        m_file.close();
    }
}

} // namespace vantrelis::app
