#include "app/ImportFileReader.h"

#include "app/ImportLineSource.h"
#include "app/PathTemplate.h"
#include "common/Text.h"

namespace vantrelis::app {

ImportFileReader::ImportFileReader(Log& log, RunView& view, QLocale locale)
    : m_log(log), m_view(view), m_locale(std::move(locale)) {}

QStringList ImportFileReader::Read(const QString& fileName, ColumnTable& columns, const QString& templateText,
                                   const QString& libraryName, ImportLines* lines) {
    m_log.SetStatusLabel(QStringLiteral("Reading ") + fileName);
    m_log.Yield();
    QStringList paths;
    ImportLineSource source(fileName);
    TemplateContext context{libraryName, QDateTime(), m_locale};
    m_errorLines = 0;
    // A token that names nothing would stay in the folder names: every line that would use it fails.
    const QString unknown = PathTemplate::UnknownToken(templateText, columns);
    for (ImportLineSource::Line line = source.Next(); line.kind != ImportLineSource::Kind::End;
         line = source.Next()) {
        if (line.kind == ImportLineSource::Kind::NulByte) {
            m_log.WriteLog(QStringLiteral("Error: Line ") + FormatWhole(line.number) +
                           QStringLiteral(" of ") + fileName +
                           QStringLiteral(" skipped - it contains a NUL character"));
            // A line that cannot be read is an error of the run, not a quiet omission: an unattended
            // run ends with status 1 and the summary counts it.
            ++m_errorLines;
            if (lines)
                lines->skipped.append({line.number, QStringLiteral("the line contains a NUL character")});
            continue;
        }
        if (line.kind == ImportLineSource::Kind::TooLong) {
            m_log.WriteLog(QStringLiteral("Error: Line ") + FormatWhole(line.number) +
                           QStringLiteral(" of ") + fileName +
                           QStringLiteral(" skipped - it is longer than ") +
                           FormatWhole(ImportLineSource::kMaxLineBytes) + QStringLiteral(" bytes"));
            ++m_errorLines;
            if (lines)
                lines->skipped.append({line.number, QStringLiteral("the line is longer than ") +
                                                        FormatWhole(ImportLineSource::kMaxLineBytes) +
                                                        QStringLiteral(" bytes")});
            continue;
        }
        const QString text = TrimRightBlanks(line.text);
        if (TrimLeftBlanks(text).isEmpty()) {
            if (lines)
                lines->skipped.append({line.number, QStringLiteral("the line is blank")});
            continue;
        }
        if (!unknown.isEmpty()) {
            m_log.WriteLog(
                QStringLiteral("Error: Line ") + FormatWhole(line.number) + QStringLiteral(" of ") +
                fileName + QStringLiteral(" skipped - the template's token ") + unknown +
                QStringLiteral(" names no column of the import set and would stay in the folder name"));
            ++m_errorLines;
            if (lines)
                lines->skipped.append(
                    {line.number, QStringLiteral("the template's token ") + unknown +
                                      QStringLiteral(" names no column of the import set")});
            continue;
        }
        columns.CutLine(text);
        context.now = m_log.clock().now();
        const QString path = PathTemplate::Expand(templateText, columns, context);
        if (!path.isEmpty()) {
            paths.append(path);
            if (lines)
                lines->pathLines.append(line.number);
            if (lines && lines->keepValues) {
                QHash<QString, QString> values;
                for (const ImportColumn& column : columns.columns())
                    values.insert(column.name, column.value);
                lines->pathValues.append(values);
            }
            m_view.setCounter(RunCounter::Total, paths.size());
        } else if (lines) {
            lines->skipped.append(
                {line.number, QStringLiteral("the template gives no folder path for the line")});
        }
        m_view.setCounter(RunCounter::Processed, paths.size());
        if (paths.size() % 10 == 0)
            m_log.Yield();
    }
    return paths;
}

} // namespace vantrelis::app
