// Replays a statement trace (VANTRELIS_SQL_TRACE) directly through sqlite3 on a library file: the
// floor under a run that sent those statements. The library is opened as the backend opens it (its
// engine flavour's functions and views on the connection), then every statement is prepared, bound,
// stepped to its end with each value read as text, and finalized, inside one transaction.
//   vantrelis-sql-replay LIBRARY.db ENGINE TRACE [--by-kind]
//   vantrelis-sql-replay --per-document DOCUMENTS TRACE
// Prints the statement count, the failures and the time in seconds; with --by-kind also the time of
// each kind of statement (its text with the numbers taken out), the costliest first. With
// --per-document nothing is replayed: the trace's statements per filed document, in all and by kind
// (the most frequent first).
#include "common/Fault.h"
#include "dm/local/LibraryDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

using namespace vantrelis;
using namespace vantrelis::dm::local;

namespace {

QString Unescape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar n = text.at(++i);
        out += n == QLatin1Char('n')   ? QChar(u'\n')
               : n == QLatin1Char('r') ? QChar(u'\r')
               : n == QLatin1Char('t') ? QChar(u'\t')
                                       : n;
    }
    return out;
}

// The literals of a "-- params: " field: NULL, numbers and '...' texts with doubled apostrophes.
std::vector<QVariant> Params(const QString& field) {
    std::vector<QVariant> values;
    qsizetype i = 0;
    while (i < field.size()) {
        while (i < field.size() && (field.at(i) == QLatin1Char(' ') || field.at(i) == QLatin1Char(',')))
            ++i;
        if (i >= field.size())
            break;
        if (field.at(i) == QLatin1Char('\'')) {
            QString text;
            for (++i; i < field.size(); ++i) {
                if (field.at(i) == QLatin1Char('\'')) {
                    if (i + 1 < field.size() && field.at(i + 1) == QLatin1Char('\'')) {
                        text += QLatin1Char('\'');
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                text += field.at(i);
            }
            values.emplace_back(text);
            continue;
        }
        const qsizetype end = field.indexOf(QLatin1String(", "), i);
        const QString word = field.mid(i, end < 0 ? -1 : end - i);
        i = end < 0 ? field.size() : end;
        if (word == QLatin1String("NULL"))
            values.emplace_back();
        else if (word.contains(QLatin1Char('.')))
            values.emplace_back(word.toDouble());
        else if (word == QLatin1String("true") || word == QLatin1String("false"))
            values.emplace_back(word == QLatin1String("true") ? 1 : 0);
        else
            values.emplace_back(word.toLongLong());
    }
    return values;
}

struct Statement {
    QByteArray sql;
    std::vector<QVariant> params;
    QString kind;
};

struct KindTotal {
    qint64 count = 0;
    qint64 nanoseconds = 0;
};

} // namespace

// The trace's statements divided by the documents a run filed, in all and per kind.
int PerDocument(const QString& traceName, double documents) {
    QFile traceFile(traceName);
    if (documents <= 0 || !traceFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "vantrelis-sql-replay: cannot read %s, or no documents\n",
                     qPrintable(traceName));
        return 1;
    }
    const QRegularExpression numbers(QStringLiteral("[0-9]+"));
    QHash<QString, qint64> kinds;
    qint64 total = 0;
    while (!traceFile.atEnd()) {
        const QString line = QString::fromUtf8(traceFile.readLine());
        const qsizetype start = line.indexOf(QLatin1Char('\t'));
        if (start < 0)
            continue;
        const qsizetype end = line.indexOf(QLatin1Char('\t'), start + 1);
        ++kinds[line.mid(start + 1, end < 0 ? -1 : end - start - 1)
                    .trimmed()
                    .left(90)
                    .replace(numbers, QStringLiteral("N"))];
        ++total;
    }
    std::vector<std::pair<QString, qint64>> sorted(kinds.keyValueBegin(), kinds.keyValueEnd());
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    std::printf("%.1f statements per filed document (%lld for %.0f documents)\n", double(total) / documents,
                static_cast<long long>(total), documents);
    for (std::size_t i = 0; i < sorted.size() && i < 30; ++i)
        std::printf("%8.2f %9lld  %s\n", double(sorted[i].second) / documents,
                    static_cast<long long>(sorted[i].second), qPrintable(sorted[i].first));
    return 0;
}

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.size() == 3 && arguments.at(0) == QLatin1String("--per-document"))
        return PerDocument(arguments.at(2), arguments.at(1).toDouble());
    const bool byKind = arguments.size() == 4 && arguments.at(3) == QLatin1String("--by-kind");
    if (arguments.size() != 3 && !byKind) {
        std::fprintf(stderr, "usage: vantrelis-sql-replay LIBRARY.db ENGINE TRACE [--by-kind]\n");
        return 2;
    }
    const QRegularExpression numbers(QStringLiteral("[0-9]+"));
    QFile traceFile(arguments.at(2));
    if (!traceFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "vantrelis-sql-replay: cannot read %s\n", qPrintable(arguments.at(2)));
        return 1;
    }
    // Read and decoded before the clock starts: the floor is the database's work alone.
    std::vector<Statement> statements;
    while (!traceFile.atEnd()) {
        const QString line = QString::fromUtf8(traceFile.readLine()).chopped(1);
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() < 2)
            continue;
        Statement statement{Unescape(fields.at(1)).toUtf8(), {}, {}};
        if (byKind)
            statement.kind = fields.at(1).left(90).replace(numbers, QStringLiteral("N"));
        if (fields.size() > 2 && fields.at(2).startsWith(QLatin1String("-- params: ")))
            statement.params = Params(Unescape(fields.at(2).mid(11)));
        statements.push_back(std::move(statement));
    }
    try {
        auto database = LibraryDatabase::Open(arguments.at(0), arguments.at(1).toInt());
        sqlite3* db = database->handle();
        qint64 failures = 0;
        qint64 bytes = 0;
        QElapsedTimer timer;
        timer.start();
        QHash<QString, KindTotal> kinds;
        QElapsedTimer statementTimer;
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        for (const Statement& s : statements) {
            if (byKind)
                statementTimer.start();
            sqlite3_stmt* prepared = nullptr;
            if (sqlite3_prepare_v2(db, s.sql.constData(), int(s.sql.size()), &prepared, nullptr) !=
                SQLITE_OK) {
                ++failures;
                continue;
            }
            for (std::size_t p = 0; p < s.params.size(); ++p) {
                const QVariant& value = s.params[p];
                const int index = int(p) + 1;
                if (value.isNull())
                    sqlite3_bind_null(prepared, index);
                else if (value.typeId() == QMetaType::QString) {
                    const QByteArray text = value.toString().toUtf8();
                    sqlite3_bind_text(prepared, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
                } else if (value.typeId() == QMetaType::Double)
                    sqlite3_bind_double(prepared, index, value.toDouble());
                else
                    sqlite3_bind_int64(prepared, index, value.toLongLong());
            }
            const int columns = sqlite3_column_count(prepared);
            int rc;
            while ((rc = sqlite3_step(prepared)) == SQLITE_ROW)
                for (int c = 0; c < columns; ++c) {
                    sqlite3_column_text(prepared, c);
                    bytes += sqlite3_column_bytes(prepared, c);
                }
            if (rc != SQLITE_DONE)
                ++failures;
            sqlite3_finalize(prepared);
            if (byKind) {
                KindTotal& total = kinds[s.kind];
                ++total.count;
                total.nanoseconds += statementTimer.nsecsElapsed();
            }
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        std::printf("replayed %zu statements (%lld failed, %lld bytes read) in %.3f s\n", statements.size(),
                    static_cast<long long>(failures), static_cast<long long>(bytes),
                    timer.nsecsElapsed() / 1e9);
        std::vector<std::pair<QString, KindTotal>> sorted(kinds.keyValueBegin(), kinds.keyValueEnd());
        std::sort(sorted.begin(), sorted.end(),
                  [](const auto& a, const auto& b) { return a.second.nanoseconds > b.second.nanoseconds; });
        for (std::size_t i = 0; i < sorted.size() && i < 25; ++i)
            std::printf("%9.3f s %9lld x %8.1f us  %s\n", sorted[i].second.nanoseconds / 1e9,
                        static_cast<long long>(sorted[i].second.count),
                        sorted[i].second.nanoseconds / 1e3 / double(sorted[i].second.count),
                        qPrintable(sorted[i].first));
        return 0;
    } catch (const Fault& fault) {
        std::fprintf(stderr, "vantrelis-sql-replay: %s\n", qPrintable(fault.description()));
        return 1;
    }
}
