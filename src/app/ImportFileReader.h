#pragma once

#include "app/ColumnTable.h"
#include "app/RunView.h"
#include "common/Log.h"

#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace vantrelis::app {

// Where the paths of an import file came from, for the per-line report.
struct ImportLines {
    struct Skipped {
        qint64 line = 0;
        QString reason;
    };
    QList<qint64> pathLines;                   // the line of each path, in path order
    QList<Skipped> skipped;                    // the lines that gave no path, in file order
    bool keepValues = false;                   // whether pathValues is filled
    QList<QHash<QString, QString>> pathValues; // each path's column values by token, in path order
};

// Turns every line of an import file into one folder path: the line is cut into the column table's
// values and the folder rule's template is expanded with them. Shows its progress in the Total and
// Processed counters.
class ImportFileReader {
public:
    ImportFileReader(Log& log, RunView& view, QLocale locale = QLocale::system());

    // The expanded paths, in file order; blank lines and lines that expand to nothing add none.
    // Raises a Fault when the file cannot be opened or read.
    // `lines`, when given, receives the line of each path and the lines that gave none.
    QStringList Read(const QString& fileName, ColumnTable& columns, const QString& templateText,
                     const QString& libraryName, ImportLines* lines = nullptr);

    // The lines of the last Read that are errors of the run (logged, and given no path).
    qint64 errorLines() const { return m_errorLines; }

private:
    Log& m_log;
    RunView& m_view;
    QLocale m_locale;
    qint64 m_errorLines = 0;
};

} // namespace vantrelis::app
