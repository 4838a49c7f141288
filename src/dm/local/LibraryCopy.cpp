#include "dm/local/LibraryCopy.h"

#include "dm/local/LibraryAdmin.h"

#include <QStringList>
#include <algorithm>

namespace vantrelis::dm::local {

namespace {

// Values bound to one INSERT stay below SQLite's limit (32766); PostgreSQL allows 65535.
constexpr qsizetype kMaxParameters = 30000;
constexpr qsizetype kMaxRowsPerInsert = 500;

QString ColumnList(const LibrarySchema::Table& table) {
    QStringList names;
    for (const LibrarySchema::Column& column : table.columns)
        names += column.name == QLatin1String("NEXT") ? QStringLiteral("\"NEXT\"") : column.name;
    return names.join(QLatin1String(", "));
}

// "(?1, ?2), (?3, ?4)" for `rows` rows of `width` values.
QString Placeholders(qsizetype rows, qsizetype width) {
    QStringList tuples;
    int parameter = 0;
    for (qsizetype row = 0; row < rows; ++row) {
        QStringList values;
        for (qsizetype column = 0; column < width; ++column)
            values += QStringLiteral("?%1").arg(++parameter);
        tuples += QLatin1Char('(') + values.join(QLatin1String(", ")) + QLatin1Char(')');
    }
    return tuples.join(QLatin1String(", "));
}

} // namespace

QueryResult LibraryCopy::RowsOf(LibraryStore& source, const LibrarySchema::Table& table) {
    const QString order =
        table.name == QLatin1String("SECURITY") ? QStringLiteral(" ORDER BY ROWID") : QString();
    return source.query(
        QStringLiteral("SELECT %1 FROM DOCSADM.%2%3").arg(ColumnList(table), table.name, order));
}

std::vector<LibraryCopy::TableRows> LibraryCopy::CopyRows(LibraryStore& source, LibraryAdmin& target) {
    std::vector<TableRows> copied;
    target.batch([&] {
        LibraryStore& store = target.store();
        for (const LibrarySchema::Table& table : LibrarySchema::Tables()) {
            // The optional tables: the settings table and the run journal's.
            if (table.optional) {
                if (!source.hasTable(table.name))
                    continue;
                if (LibrarySchema::JournalTableNames().contains(table.name))
                    target.addJournalTables();
                else
                    target.addSettingsTable();
            }
            const QString columns = ColumnList(table);
            const QueryResult rows = RowsOf(source, table);
            store.execute(QStringLiteral("DELETE FROM DOCSADM.%1").arg(table.name));
            const qsizetype width = static_cast<qsizetype>(table.columns.size());
            const qsizetype perInsert =
                std::max<qsizetype>(1, std::min(kMaxRowsPerInsert, kMaxParameters / width));
            const qsizetype total = static_cast<qsizetype>(rows.rows.size());
            for (qsizetype first = 0; first < total; first += perInsert) {
                const qsizetype count = std::min(perInsert, total - first);
                QVariantList values;
                values.reserve(count * width);
                for (qsizetype row = first; row < first + count; ++row)
                    for (const QVariant& value : rows.rows[static_cast<std::size_t>(row)])
                        values += value;
                store.execute(QStringLiteral("INSERT INTO DOCSADM.%1 (%2) VALUES %3")
                                  .arg(table.name, columns, Placeholders(count, width)),
                              values);
            }
            copied.push_back({table.name, total});
        }
    });
    return copied;
}

} // namespace vantrelis::dm::local
