#include "Commands.h"

#include "DemoBuilder.h"
#include "FolderTreePrinter.h"
#include "common/Fault.h"
#include "common/LibraryQueries.h"
#include "dm/local/FolderChain.h"
#include "dm/local/LibraryAdmin.h"
#include "dm/local/LibraryCopy.h"
#include "dm/local/LibraryDatabase.h"
#include "dm/local/LocalServer.h"
#include "dm/local/LocalSql.h"
#include "dm/local/TrusteeLister.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

// The commands that read: a server's libraries, a folder's chain, a profile's trustees, one
// statement through the SQL object, the folder trees; and the demo environment.

namespace vantrelis::tools {

using dm::local::FolderChain;
using dm::local::LibraryAdmin;
using dm::local::LibraryDatabase;
using dm::local::LocalServer;
using dm::local::LocalSql;
using dm::local::TrusteeLister;

int LibrariesCommand::run(ToolArguments& args) {
    const QString serverFile = args.positional(0);
    if (!QFileInfo(serverFile).isFile()) {
        return failed(QStringLiteral("no DM server file %1").arg(serverFile));
    }
    return guarded([&] {
        auto server = LocalServer::Load(serverFile);
        if (server->libraryNames().isEmpty()) {
            return failed(QStringLiteral("%1 names no libraries%2")
                              .arg(serverFile, server->lastError().isEmpty()
                                                   ? QString()
                                                   : QStringLiteral(": ") + server->lastError()));
        }
        int code = kOk;
        server->setAccess(LibraryDatabase::Access::ReadOnly);
        const QString token = server->login();
        m_out << "DM server file " << QFileInfo(serverFile).absoluteFilePath() << '\n'
              << "  User " << server->userId() << ", current library " << server->currentLibrary()
              << ", primary library " << server->primaryLibrary() << '\n'
              << "  Login: "
              << (token.isEmpty() ? QStringLiteral("FAILS - ") + server->lastError() : QStringLiteral("ok"))
              << "\n\n";
        if (token.isEmpty()) {
            code = kFailed;
        }
        m_out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
                     .arg(QStringLiteral("LIBRARY"), -18)
                     .arg(QStringLiteral("ENGINE"), -10)
                     .arg(QStringLiteral("DOCUMENTS"), 9)
                     .arg(QStringLiteral("FOLDERS"), 7)
                     .arg(QStringLiteral("FILED"), 6)
                     .arg(QStringLiteral("RULES"), 5)
                     .arg(QStringLiteral("UA%1").arg(kAdministratorAccess), 5)
                     .arg(QStringLiteral("FILE"));
        for (const QString& name : server->libraryNames()) {
            const int engine = server->engineCode(name);
            const QString engineText = QStringLiteral("%1 %2").arg(engine).arg(dm::EngineName(engine));
            try {
                auto db = server->store(name);
                const qint64 documents =
                    db->scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PROFILE WHERE DOCNUMBER NOT IN "
                                              "(SELECT DOCNUMBER FROM DOCSADM.FOLDER)"))
                        .toLongLong();
                const qint64 folderCount =
                    db->scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER")).toLongLong();
                const qint64 filed =
                    db->scalar(
                          QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM WHERE NODE_TYPE = 'P'"))
                        .toLongLong();
                QString rules = QStringLiteral("-");
                if (db->hasTable(QStringLiteral("QORV_SETTINGS"))) {
                    rules = db->scalar(QStringLiteral("SELECT COUNT(DISTINCT UPPER(SUB_KEY)) FROM ") +
                                       SettingsRowsWhere() + QStringLiteral(" AND SECTION_KEY LIKE 'RULE_%'"))
                                .toString();
                }
                const qint64 rights = db->scalar(AdministratorCheckSql(server->userId())).toLongLong();
                m_out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
                             .arg(name, -18)
                             .arg(engineText, -10)
                             .arg(documents, 9)
                             .arg(folderCount, 7)
                             .arg(filed, 6)
                             .arg(rules, 5)
                             .arg(rights > 0 ? QStringLiteral("yes") : QStringLiteral("NO"), 5)
                             .arg(server->databaseFile(name));
            } catch (const Fault& fault) {
                m_out << QStringLiteral("%1 %2 cannot be opened: %3 (%4)\n")
                             .arg(name, -18)
                             .arg(engineText, -10)
                             .arg(fault.description())
                             .arg(fault.number());
                code = kFailed;
            }
        }
        m_out << QStringLiteral(
                     "\nRULES - : the library has no QORV_SETTINGS table. UA%1: the login user is in a "
                     "group with UNIV_ACCESS %1.\n")
                     .arg(kAdministratorAccess);
        if (code != kOk) {
            m_out.flush();
            return failed(
                QStringLiteral("the login or a library of %1 cannot be used (see above)").arg(serverFile));
        }
        return kOk;
    });
}

int ChainCommand::run(ToolArguments& args) {
    qint64 parent = 0;
    if (!args.wholeNumberAt(1, QStringLiteral("PARENT_DOCNUMBER"), parent)) {
        return usageError(args.error());
    }
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args, Access::Read);
        dm::local::LibraryStore& db = admin.store();
        const QVariant name =
            db.scalar(QStringLiteral("SELECT DOCNAME FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"), {parent});
        if (!admin.isFolder(parent)) {
            return failed(name.isValid()
                              ? QStringLiteral("document #%1 is not a folder").arg(parent)
                              : QStringLiteral("no document #%1 in %2").arg(parent).arg(args.positional(0)));
        }
        const dm::ItemChain chain = FolderChain::Read(db, parent);
        m_out << "Folder #" << parent << ' ' << Quoted(name.toString()) << ": " << chain.items().size()
              << " item(s) in the chain\n";
        int position = 0;
        for (const auto& item : chain.items()) {
            m_out << QStringLiteral("  %1. row %2  %3 #%4 %5  next %6\n")
                         .arg(++position, 3)
                         .arg(item.systemId)
                         .arg(item.nodeType)
                         .arg(item.docNumber)
                         .arg(Quoted(item.displayName))
                         .arg(item.next);
        }
        for (const auto& item : chain.unreached()) {
            m_out << QStringLiteral("   not in chain: row %1  %2 #%3 %4  ISFIRST %5  next %6\n")
                         .arg(item.systemId)
                         .arg(item.nodeType)
                         .arg(item.docNumber)
                         .arg(Quoted(item.displayName))
                         .arg(item.isFirst ? QStringLiteral("Y") : QStringLiteral("N"))
                         .arg(item.next);
        }
        if (chain.isSound()) {
            m_out << (chain.items().empty() ? "The folder has no items.\n" : "The chain is sound.\n");
            return kOk;
        }
        for (const auto& problem : chain.problems()) {
            m_out << "BROKEN (" << dm::ItemChain::FaultName(problem.kind) << "): " << problem.text << '\n';
        }
        return kChainBroken;
    });
}

int TrusteesCommand::run(ToolArguments& args) {
    qint64 docNumber = 0;
    if (!args.wholeNumberAt(1, QStringLiteral("DOCNUMBER"), docNumber)) {
        return usageError(args.error());
    }
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args, Access::Read);
        const auto entries = TrusteeLister::List(admin.store(), docNumber);
        const dm::local::QueryResult profile = admin.store().query(
            QStringLiteral("SELECT DOCNAME, DEFAULT_RIGHTS FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"),
            {docNumber});
        const auto& row = profile.rows.front();
        m_out << (admin.isFolder(docNumber) ? "Folder #" : "Document #") << docNumber << ' '
              << Quoted(row[0].toString()) << " (DEFAULT_RIGHTS " << row[1].toLongLong()
              << "): " << entries.size() << " trustee(s)\n";
        for (const auto& entry : entries) {
            const QString name = entry.name.isEmpty() ? QStringLiteral("#%1").arg(entry.id) : entry.name;
            m_out << QStringLiteral("  %1 %2 %3\n")
                         .arg(TrusteeLister::KindText(entry), -9)
                         .arg(name, -20)
                         .arg(TrusteeLister::RightsText(entry.rights));
        }
        return kOk;
    });
}

int SqlCommand::run(ToolArguments& args) {
    qint64 maxRows = 0;
    if (!args.wholeNumber(QStringLiteral("--max-rows"), 100, maxRows)) {
        return usageError(args.error());
    }
    const QString serverFile = args.positional(0);
    if (!QFileInfo(serverFile).isFile()) {
        return failed(QStringLiteral("no DM server file %1").arg(serverFile));
    }
    return guarded([&] {
        auto server = LocalServer::Load(serverFile);
        // A query only looks: the library is opened for reading only, so the engine refuses any write
        // it might hide (a function, a data-changing common table expression).
        const QString statement = args.positional(2).trimmed();
        if (statement.section(QRegularExpression(QStringLiteral("\\s")), 0, 0)
                .compare(QLatin1String("SELECT"), Qt::CaseInsensitive) == 0) {
            server->setAccess(LibraryDatabase::Access::ReadOnly);
        }
        const QString token = server->login();
        if (token.isEmpty()) {
            return failed(QStringLiteral("login fails: %1").arg(server->lastError()));
        }
        const QString library = args.positional(1).trimmed().toUpper();
        if (!server->libraryNames().contains(library)) {
            return failed(QStringLiteral("no library %1 in %2 (libraries: %3)")
                              .arg(library, serverFile, server->libraryNames().join(QStringLiteral(", "))));
        }
        // The same object and calls the program uses: bind, execute, read the buffered rows, release.
        LocalSql sqlObject(server);
        sqlObject.setToken(token);
        sqlObject.setLibrary(library);
        const qint64 result = sqlObject.execute(args.positional(2));
        m_out << "Library " << library << " (engine " << sqlObject.engineCode() << ")\n";
        m_out << "Error number: " << sqlObject.errorNumber() << '\n';
        if (result != 0 || sqlObject.errorNumber() != 0) {
            m_out << "Error text: " << sqlObject.errorText() << '\n';
            sqlObject.releaseResults();
            m_out.flush();
            return failed(QStringLiteral("the statement was rejected (%1)").arg(sqlObject.errorNumber()));
        }
        m_out << "Rows affected: " << sqlObject.rowsAffected() << '\n'
              << "Row count: " << sqlObject.rowCount() << '\n'
              << "Columns: " << sqlObject.columnCount() << '\n';
        if (sqlObject.columnCount() > 0) {
            QStringList names;
            for (int c = 1; c <= sqlObject.columnCount(); ++c) {
                names << sqlObject.columnName(c);
            }
            m_out << names.join(QStringLiteral(" | ")) << '\n';
            const int shown =
                static_cast<int>(std::min<qint64>(sqlObject.rowCount(), std::max<qint64>(maxRows, 0)));
            for (int r = 1; r <= shown; ++r) {
                sqlObject.setRow(r);
                QStringList values;
                for (int c = 1; c <= sqlObject.columnCount(); ++c) {
                    values << sqlObject.columnValue(c);
                }
                m_out << values.join(QStringLiteral(" | ")) << '\n';
            }
            if (shown < sqlObject.rowCount()) {
                m_out << "... " << sqlObject.rowCount() - shown << " more row(s) (--max-rows)\n";
            }
        }
        sqlObject.releaseResults();
        return kOk;
    });
}

int FoldersCommand::run(ToolArguments& args) {
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args, Access::Read);
        dm::local::LibraryStore& db = admin.store();
        // Top-level folders as the import run finds them: folders no FOLDER_ITEM row of this library holds.
        const dm::local::QueryResult top =
            db.query(TopLevelFolderSql(QStringLiteral("F.DOCNUMBER, P.DOCNAME")));
        const QString library =
            db.scalar(QStringLiteral("SELECT LIBRARY_NAME FROM DOCSADM.REMOTE_LIBRARIES WHERE SYSTEM_ID = 0"))
                .toString();
        m_out << "Library " << library << " (" << args.positional(0) << "): " << top.rows.size()
              << " top-level folder(s)\n";
        FolderTreePrinter printer(db, m_out, args.has(QStringLiteral("--documents")));
        bool sound = true;
        for (const auto& row : top.rows) {
            sound = printer.PrintTree(row[0].toLongLong(), row[1].toString()) && sound;
        }
        sound = printer.PrintUnreachedCycles() && sound;
        if (!sound) {
            m_out << "Some item chains are broken or folders contain themselves (marked !).\n";
        }
        return sound ? kOk : kChainBroken;
    });
}

int RowsCommand::run(ToolArguments& args) {
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args, Access::Read);
        const QString only = args.positional(1).trimmed().toUpper();
        bool found = only.isEmpty();
        for (const dm::local::LibrarySchema::Table& table : dm::local::LibrarySchema::Tables()) {
            if (!only.isEmpty() && table.name != only) {
                continue;
            }
            found = true;
            if (table.optional && !admin.store().hasTable(table.name)) {
                continue;
            }
            const dm::local::QueryResult rows = dm::local::LibraryCopy::RowsOf(admin.store(), table);
            m_out << "# " << table.name;
            for (const QString& column : rows.columns) {
                m_out << " | " << column;
            }
            m_out << '\n';
            for (const auto& row : rows.rows) {
                m_out << table.name;
                for (const QVariant& value : row) {
                    m_out << " | " << (value.isNull() ? QStringLiteral("\\N") : value.toString());
                }
                m_out << '\n';
            }
        }
        return found ? kOk : usageError(QStringLiteral("a library has no table %1").arg(only));
    });
}

int DemoCommand::run(ToolArguments& args) {
    return guarded([&] {
        DemoBuilder builder(args.positional(0));
        builder.setServer(args.value(QStringLiteral("--server")));
        const DemoSummary summary = builder.Build();
        for (const QString& line : DemoBuilder::Describe(summary)) {
            m_out << line << '\n';
        }
        return kOk;
    });
}

} // namespace vantrelis::tools
