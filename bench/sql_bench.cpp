// Compares a realistic statement mix run through the SQL object (text in, result buffered, values
// read, released) with the same texts prepared, stepped and finalized directly through sqlite3.
//   vantrelis-sql-bench [--iterations N] [--check]
// --check exits 1 when the SQL object costs more than 1.5 times the direct calls.
#include "common/Fault.h"
#include "dm/local/LibraryDatabase.h"
#include "dm/local/LocalServer.h"
#include "dm/local/LocalSql.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <cstdio>
#include <sqlite3.h>

using namespace vantrelis::dm;
using namespace vantrelis::dm::local;

namespace {

constexpr int kDocuments = 4000;
constexpr int kFolders = 200;
constexpr int kItems = 6000;
constexpr double kLimit = 1.5;

// A fixed pseudo-random sequence, so both runs send the same texts.
class Sequence {
public:
    quint32 next(quint32 bound) {
        m_state = m_state * 1664525u + 1013904223u;
        return (m_state >> 8) % bound;
    }

private:
    quint32 m_state = 12345;
};

// The statement texts of one iteration, as the import program builds them, with the key it got.
QStringList Statements(Sequence& sequence, qint64 key) {
    const int parent = kDocuments + 1 + int(sequence.next(kFolders));
    const int document = 1 + int(sequence.next(kDocuments));
    const QString p = QString::number(parent);
    const QString d = QString::number(document);
    return {
        QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM WHERE PARENT = ") + p +
            QStringLiteral(" AND DOCNUMBER = ") + d,
        QStringLiteral("SELECT VERSION_ID FROM DOCSADM.VERSIONS WHERE DOCNUMBER = ") + p,
        QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.FOLDER_ITEM WHERE PARENT = ") + p +
            QStringLiteral(" ORDER BY SYSTEM_ID DESC"),
        QStringLiteral("SELECT DOCNAME FROM DOCSADM.PROFILE WHERE DOCNUMBER = ") + d,
        QStringLiteral(
            "INSERT INTO DOCSADM.FOLDER_ITEM (SYSTEM_ID, NODE_TYPE, PARENT, ISFIRST, \"NEXT\", DOCNUMBER, "
            "VERSION_TYPE, PARENT_VERSION, DISPLAYNAME, STATUS, LIBRARY, PARENT_LIBRARY, REMOTE_SYSTEM_ID, "
            "VERSION, FOLDERDOCNO_RO, FOLDERREMLIB_RO, HAS_PROPS, PREV_VERSION_TYPE) VALUES(") +
            QString::number(key) + QStringLiteral(", 'P', ") + p + QStringLiteral(", 'N', 0, ") + d +
            QStringLiteral(", 'R', ") + p + QStringLiteral(", 'Document ") + d +
            QStringLiteral("', 0, 0, 0, 0, 0, 0, 0, '', '')"),
        QStringLiteral("UPDATE DOCSADM.FOLDER_ITEM SET \"NEXT\" = ") + QString::number(key) +
            QStringLiteral(" WHERE PARENT = ") + p + QStringLiteral(" AND SYSTEM_ID = ") +
            QString::number(key - 1),
        QStringLiteral(
            "SELECT P.SYSTEM_ID, P.AUTHOR, P.TYPIST, P.DOCNAME FROM DOCSADM.PROFILE P WHERE P.DOCNUMBER = ") +
            d,
        QStringLiteral("SELECT COUNT(*) FROM DOCSADM.SECURITY WHERE THING = ") + d,
    };
}

void Populate(const QString& file) {
    const auto db = LibraryDatabase::Create(file, kEngineMssql);
    db->begin();
    db->execute(QStringLiteral("INSERT INTO DOCSADM.PEOPLE (SYSTEM_ID, USER_ID) VALUES (1, 'BENCH')"));
    for (int doc = 1; doc <= kDocuments + kFolders; ++doc) {
        db->execute(
            QStringLiteral("INSERT INTO DOCSADM.PROFILE (SYSTEM_ID, DOCNUMBER, DOCNAME, AUTHOR, TYPIST) "
                           "VALUES (?1, ?1, ?2, 1, 1)"),
            {doc, QStringLiteral("Document %1").arg(doc)});
        db->execute(
            QStringLiteral(
                "INSERT INTO DOCSADM.SECURITY (THING, PERSONORGROUP, ACCESSRIGHTS) VALUES (?1, 1, 255)"),
            {doc});
        if (doc > kDocuments)
            db->execute(
                QStringLiteral(
                    "INSERT INTO DOCSADM.VERSIONS (VERSION_ID, DOCNUMBER, VERSION) VALUES (?1, ?1, 1)"),
                {doc});
    }
    for (int item = 1; item <= kItems; ++item)
        db->execute(QStringLiteral(
                        "INSERT INTO DOCSADM.FOLDER_ITEM (SYSTEM_ID, NODE_TYPE, PARENT, ISFIRST, \"NEXT\", "
                        "DOCNUMBER, DISPLAYNAME, LIBRARY) VALUES (?1, 'P', ?2, 'N', 0, ?3, 'x', 0)"),
                    {item + 100000, kDocuments + 1 + item % kFolders, 1 + item % kDocuments});
    db->execute(QStringLiteral("UPDATE DOCSADM.KEY_COUNTERS SET LAST_KEY = 200000 WHERE NAME = 'SYSTEMKEY'"));
    db->commit();
}

// One run through the SQL object; answers the elapsed nanoseconds.
qint64 RunLocalSql(const QString& serverFile, int iterations, qint64& checksum) {
    const auto server = LocalServer::Load(serverFile);
    LocalSql sql(server);
    sql.setToken(server->login());
    sql.setLibrary(QStringLiteral("BENCH"));
    Sequence sequence;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < iterations; ++i) {
        const qint64 key = sql.nextKey(QStringLiteral("SYSTEMKEY"));
        for (const QString& statement : Statements(sequence, key)) {
            if (sql.execute(statement) != 0) {
                std::fprintf(stderr, "failed: %s\n%s\n", qPrintable(statement), qPrintable(sql.errorText()));
                std::exit(2);
            }
            checksum += sql.rowsAffected();
            if (sql.rowCount() > 0) {
                do {
                    for (int c = 1; c <= sql.columnCount(); ++c)
                        checksum += sql.columnValue(c).size();
                } while (sql.nextRow() != 0);
            }
            sql.releaseResults();
        }
    }
    return timer.nsecsElapsed();
}

sqlite3* OpenRaw(const QString& file) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI, nullptr);
    sqlite3_busy_timeout(db, 5000);
    const QByteArray attach = "ATTACH DATABASE 'file:" + QUrl::toPercentEncoding(file, "/") +
                              "?mode=rw' AS DOCSADM;"
                              "PRAGMA DOCSADM.journal_mode = WAL; PRAGMA DOCSADM.synchronous = NORMAL;";
    sqlite3_exec(db, attach.constData(), nullptr, nullptr, nullptr);
    return db;
}

void RawStep(sqlite3* db, const char* sql, qint64& checksum, qint64* firstValue = nullptr,
             bool counted = true) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "failed: %s\n%s\n", sql, sqlite3_errmsg(db));
        std::exit(2);
    }
    const int columns = sqlite3_column_count(statement);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            // Values are read as text, as the SQL object hands them out.
            sqlite3_column_text(statement, c);
            if (counted)
                checksum += sqlite3_column_bytes(statement, c);
        }
        if (firstValue)
            *firstValue = sqlite3_column_int64(statement, 0);
    }
    if (rc != SQLITE_DONE) {
        std::fprintf(stderr, "failed: %s\n%s\n", sql, sqlite3_errmsg(db));
        std::exit(2);
    }
    if (columns == 0 && counted)
        checksum += sqlite3_changes(db);
    sqlite3_finalize(statement);
}

// The same texts, prepared, stepped and finalized directly (texts already in UTF-8).
qint64 RunRaw(const QString& file, int iterations, qint64& checksum) {
    sqlite3* db = OpenRaw(file);
    Sequence sequence;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < iterations; ++i) {
        qint64 key = 0;
        RawStep(db, "BEGIN IMMEDIATE", checksum, nullptr, false);
        RawStep(db, "UPDATE DOCSADM.KEY_COUNTERS SET LAST_KEY = LAST_KEY + 1 WHERE NAME = 'SYSTEMKEY'",
                checksum, nullptr, false);
        RawStep(db, "SELECT LAST_KEY FROM DOCSADM.KEY_COUNTERS WHERE NAME = 'SYSTEMKEY'", checksum, &key,
                false);
        RawStep(db, "COMMIT", checksum, nullptr, false);
        for (const QString& statement : Statements(sequence, key))
            RawStep(db, statement.toUtf8().constData(), checksum);
    }
    const qint64 elapsed = timer.nsecsElapsed();
    sqlite3_close(db);
    return elapsed;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int iterations = 3000;
    bool check = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--check"))
            check = true;
        else if (args[i] == QLatin1String("--iterations") && i + 1 < args.size())
            iterations = qMax(1, args[++i].toInt());
        else {
            std::fprintf(stderr, "usage: vantrelis-sql-bench [--iterations N] [--check]\n");
            return 2;
        }
    }
    qunsetenv("VANTRELIS_SQL_TRACE");
    QTemporaryDir dir;
    const QString seed = dir.filePath(QStringLiteral("seed.db"));
    try {
        Populate(seed);
    } catch (const vantrelis::Fault& fault) {
        std::fprintf(stderr, "%s\n", fault.what());
        return 2;
    }
    // Each run gets its own copy of the library, so both see the same rows.
    qint64 localBest = 0;
    qint64 rawBest = 0;
    qint64 localChecksum = 0;
    qint64 rawChecksum = 0;
    constexpr int kRounds = 3;
    for (int round = 0; round < kRounds; ++round) {
        const QString localFile = dir.filePath(QStringLiteral("bench_%1.db").arg(round));
        const QString rawFile = dir.filePath(QStringLiteral("raw_%1.db").arg(round));
        QFile::copy(seed, localFile);
        QFile::copy(seed, rawFile);
        const QString serverFile = dir.filePath(QStringLiteral("server_%1.ini").arg(round));
        QFile out(serverFile);
        out.open(QIODevice::WriteOnly);
        out.write(
            QStringLiteral("[Server]\nUser=BENCH\nLibraries=BENCH\n[Library.BENCH]\nDatabase=%1\nEngine=10\n")
                .arg(localFile)
                .toUtf8());
        out.close();
        localChecksum = 0;
        rawChecksum = 0;
        const qint64 local = RunLocalSql(serverFile, iterations, localChecksum);
        const qint64 raw = RunRaw(rawFile, iterations, rawChecksum);
        localBest = round == 0 ? local : qMin(localBest, local);
        rawBest = round == 0 ? raw : qMin(rawBest, raw);
    }
    const int statements = iterations * (8 + 4);
    const double ratio = double(localBest) / double(rawBest);
    std::printf("statements per run:  %d (%d iterations: key, 3 lookups by PARENT/DOCNUMBER, 2 more lookups, "
                "insert, update, counts)\n",
                statements, iterations);
    std::printf("SQL object:          %8.1f ms  (%.2f us/statement)\n", localBest / 1e6,
                localBest / 1e3 / statements);
    std::printf("sqlite3 direct:      %8.1f ms  (%.2f us/statement)\n", rawBest / 1e6,
                rawBest / 1e3 / statements);
    std::printf("ratio:               %8.2f  (limit %.1f)\n", ratio, kLimit);
    if (localChecksum != rawChecksum)
        std::printf("note: result checksums differ (%lld vs %lld)\n", static_cast<long long>(localChecksum),
                    static_cast<long long>(rawChecksum));
    if (check && ratio > kLimit) {
        std::printf("FAIL: the SQL object costs more than %.1f times the direct calls\n", kLimit);
        return 1;
    }
    return 0;
}
