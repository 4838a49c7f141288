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
    // The template with its built-in tokens and each column's token replaced wherever they occur;
    // trailing blanks removed.
    static QString Expand(const QString& templateText, const ColumnTable& columns,
                          const TemplateContext& context);

    // The first token of the template that names neither a built-in token nor a column ("%NAME%"),
    // or "" when there is none: it would stay in every path as literal text.
    static QString UnknownToken(const QString& templateText, const ColumnTable& columns);

    // The name a level is looked up and created under: line breaks as blanks, blanks at the ends
    // trimmed. It is the text the lookup's escaping gives before it doubles the quotes, so a
    // folder created under it is found again.
    static QString LevelName(const QString& level);

    // Splits the next level off a path: levels are separated by "%\%", and a "%/%" that comes
    // before the first "%\%" separates too.
    static PathLevel SplitLevel(const QString& path);
};

} // namespace vantrelis::app
