#pragma once

#include "app/ColumnTable.h"
#include "app/RunView.h"
#include "common/Log.h"

#include <QLocale>
#include <QString>
#include <QStringList>

namespace vantrelis::app {

// Turns every line of an import file into one folder path: the line is cut into the column table's
// values and the folder rule's template is expanded with them. Shows its progress in the Total and
// Processed counters.
class ImportFileReader {
public:
    ImportFileReader(Log& log, RunView& view, QLocale locale = QLocale::system());

    // The expanded paths, in file order; blank lines and lines that expand to nothing add none.
    // Raises a Fault when the file cannot be opened or read.
    QStringList Read(const QString& fileName, ColumnTable& columns, const QString& templateText,
                     const QString& libraryName);

private:
    Log& m_log;
    RunView& m_view;
    QLocale m_locale;
};

} // namespace vantrelis::app
