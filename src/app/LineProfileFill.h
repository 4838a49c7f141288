#pragma once

#include "common/Log.h"
#include "dm/SqlGateway.h"
#include "engine/FolderOperations.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace vantrelis::app {

// Fills the lookup columns of a new folder's profile from the values of its import line, so that the
// folder's document query finds the documents of that line. A profile column is filled at the first
// level where the template has reached every token that starts with it ("MATTER.CLIENT_ID.CLIENT_ID"
// and "MATTER.MATTER_ID" fill PROFILE.MATTER at the level of the second), and on every new folder
// below. The row is looked up through DOCSCOLUMN as the document query walks it. The columns that
// make a profile a folder (its document type and application) are never filled. The values are
// found before the folder is created and written in its creation.
class LineProfileFill {
public:
    LineProfileFill(dm::SqlGateway& gateway, Log& log);

    // Reads the template's columns for the current library; an empty template fills nothing.
    void Prepare(const QString& templateText);

    // The columns reached at `level` or above that a new folder takes from the values of import
    // file line `line` (by token), with the keys of their rows. A value that names no row, or
    // several, leaves its column out and logs a warning naming the line; a fault is logged and
    // leaves every column out.
    engine::LineColumns Columns(int level, const QHash<QString, QString>& values, qint64 line,
                                const QString& fileName);

private:
    struct Condition {
        QString token;
        QString column; // the qualified column the token's value is compared with
    };
    struct Column {
        QString name;  // the PROFILE column
        int level = 0; // the first level that reaches all its tokens
        QString key;   // the qualified key of the referenced row
        QStringList from;
        QStringList joins;
        QList<Condition> conditions;
        bool makesFolder = false;
    };

    // Adds one token's walk through DOCSCOLUMN to the column it starts with; false when the walk
    // breaks off.
    bool Walk(const QString& token, Column& column);
    QString Resolve(const Column& column, const QHash<QString, QString>& values, qint64 line,
                    const QString& fileName);

    dm::SqlGateway& m_gateway;
    Log& m_log;
    QList<Column> m_columns;
    // The values found for the current line, by column.
    qint64 m_line = -1;
    QHash<QString, QString> m_found;
};

} // namespace vantrelis::app
