#pragma once

#include "app/ColumnTable.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace vantrelis::app {

// The values of the built-in template tokens for one line.
struct TemplateContext {
    QString libraryName; // "%LIBRARY%"
    QDateTime now;       // "%DATE%", "%YEAR%", "%MONTH%", "%DAY%", "%MONTHNAME%"
    QLocale locale;      // month names
};

// One level split off the front of a folder path.
struct PathLevel {
    QString name;
    QString rest; // the remaining path text, empty after the last level
};

// Folder rule templates: expanding one with a line's column values, and the grammar of levels.
class PathTemplate {
public:
    // The template with its built-in tokens and each column's token replaced at their first
    // occurrence; trailing blanks removed.
    static QString Expand(const QString& templateText, const ColumnTable& columns,
                          const TemplateContext& context);

    // Splits the next level off a path: levels are separated by "%\%", and a "%/%" that comes
    // before the first "%\%" separates too.
    static PathLevel SplitLevel(const QString& path);
};

} // namespace vantrelis::app
