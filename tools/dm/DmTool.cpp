#include "DmTool.h"

#include "DemoBuilder.h"
#include "FolderTreePrinter.h"
#include "ToolArguments.h"
#include "common/Fault.h"
#include "dm/local/FolderChain.h"
#include "dm/local/LibraryAdmin.h"
#include "dm/local/LibraryDatabase.h"
#include "dm/local/LocalServer.h"
#include "dm/local/LocalSql.h"
#include "dm/local/TrusteeLister.h"

#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace vantrelis::tools {

using dm::local::FolderChain;
using dm::local::LibraryAdmin;
using dm::local::LibraryDatabase;
using dm::local::LocalServer;
using dm::local::LocalSql;
using dm::local::TrusteeLister;

namespace {

struct CommandSpec {
    const char* name;
    int minPositional;
    int maxPositional;
    QSet<QString> valueOptions;
    QSet<QString> flagOptions;
    const char* synopsis;
};

const QString kEngineOption = QStringLiteral("--engine");

QString Quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// The statement startup sends to check that the user belongs to a group with universal access 255.
QString RightsCheckSql(const QString& userId) {
    return QStringLiteral(
               "SELECT COUNT(*) FROM DOCSADM.PEOPLEGROUPS PG WHERE PEOPLE_SYSTEM_ID = "
               "(SELECT SYSTEM_ID FROM DOCSADM.PEOPLE WHERE UPPER(USER_ID) = '%1') AND GROUPS_SYSTEM_ID IN "
               "(SELECT SYSTEM_ID FROM DOCSADM.GROUPS WHERE UNIV_ACCESS = 255)")
        .arg(userId.toUpper().replace(QLatin1Char('\''), QStringLiteral("''")));
}

const QList<CommandSpec>& Commands() {
    static const QList<CommandSpec> commands = {
        {"create",
         1,
         1,
         {QStringLiteral("--engine"), QStringLiteral("--name")},
         {},
         "create LIB.db [--engine 10|2|5|6] [--name NAME]   new library with its base rows"},
        {"add-person",
         2,
         2,
         {kEngineOption, QStringLiteral("--group"), QStringLiteral("--full-name")},
         {},
         "add-person LIB.db USER_ID --group GROUP_ID [--full-name TEXT]"},
        {"add-group",
         2,
         2,
         {kEngineOption, QStringLiteral("--univ-access"), QStringLiteral("--name")},
         {},
         "add-group LIB.db GROUP_ID [--univ-access N] [--name TEXT]"},
        {"add-member", 3, 3, {kEngineOption}, {}, "add-member LIB.db USER_ID GROUP_ID"},
        {"add-client",
         2,
         2,
         {kEngineOption, QStringLiteral("--name")},
         {},
         "add-client LIB.db CLIENT_ID [--name TEXT]"},
        {"add-matter",
         3,
         3,
         {kEngineOption, QStringLiteral("--name")},
         {},
         "add-matter LIB.db CLIENT_ID MATTER_ID [--name TEXT]"},
        {"add-document",
         1,
         1,
         {kEngineOption, QStringLiteral("--name"), QStringLiteral("--author"), QStringLiteral("--typist"),
          QStringLiteral("--type"), QStringLiteral("--client"), QStringLiteral("--matter"),
          QStringLiteral("--app"), QStringLiteral("--abstract")},
         {},
         "add-document LIB.db --name TEXT --author USER_ID [--typist USER_ID] --type TYPE_ID --client "
         "CLIENT_ID "
         "--matter MATTER_ID [--app APPLICATION] [--abstract TEXT]"},
        {"add-folder",
         2,
         2,
         {kEngineOption, QStringLiteral("--owner"), QStringLiteral("--parent"), QStringLiteral("--client"),
          QStringLiteral("--matter"), QStringLiteral("--form")},
         {QStringLiteral("--private")},
         "add-folder LIB.db NAME --owner USER_ID [--parent DOCNUMBER] [--private] [--client C --matter M] "
         "[--form FORM_NAME]"},
        {"link",
         3,
         3,
         {kEngineOption},
         {},
         "link LIB.db PARENT_DOCNUMBER ITEM_DOCNUMBER   append to the item chain"},
        {"add-trustee",
         4,
         4,
         {kEngineOption},
         {},
         "add-trustee LIB.db DOCNUMBER USER_ID|GROUP:GROUP_ID RIGHTS   (rights 0 or less: a denial)"},
        {"add-settings",
         1,
         1,
         {kEngineOption, QStringLiteral("--rule")},
         {},
         "add-settings LIB.db [--rule NAME]   QORV_SETTINGS, with a default folder rule and import set"},
        {"set-param",
         4,
         4,
         {kEngineOption},
         {},
         "set-param LIB.db USER_ID|* NAME VALUE   a library parameter"},
        {"libraries",
         1,
         1,
         {},
         {},
         "libraries SERVER.ini   the server's libraries with engine, file and counts"},
        {"chain",
         2,
         2,
         {kEngineOption},
         {},
         "chain LIB.db PARENT_DOCNUMBER   a folder's item chain (exit 3 when broken or cyclic)"},
        {"trustees", 2, 2, {kEngineOption}, {}, "trustees LIB.db DOCNUMBER   a profile's SECURITY rows"},
        {"sql",
         3,
         3,
         {QStringLiteral("--max-rows")},
         {},
         "sql SERVER.ini LIBRARY \"STATEMENT\" [--max-rows N]   one statement through the SQL object"},
        {"folders",
         1,
         1,
         {kEngineOption},
         {QStringLiteral("--documents")},
         "folders LIB.db [--documents]   top-level folders and their subtrees in chain order"},
        {"demo", 1, 1, {}, {}, "demo DIR   build the demo environment in DIR"},
    };
    return commands;
}

} // namespace

DmTool::DmTool(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {}

QString DmTool::UsageText() {
    QString text =
        QStringLiteral("Usage: vantrelis-dm COMMAND ARGUMENTS...\n\n"
                       "Administration of local DM libraries (SQLite files) and the demo environment.\n\n"
                       "Commands:\n");
    for (const CommandSpec& command : Commands()) {
        text += QStringLiteral("  ") + QLatin1String(command.synopsis) + QLatin1Char('\n');
    }
    text +=
        QStringLiteral("\nCommands on LIB.db take the engine from the library's own REMOTE_LIBRARIES row; "
                       "--engine overrides it.\n"
                       "Exit codes: 0 done, 1 failed (missing file, not a library, unknown name...), "
                       "2 bad command line, 3 broken item chain.\n");
    return text;
}

int DmTool::usageError(const QString& text) {
    m_err << "vantrelis-dm: " << text << "\nRun 'vantrelis-dm --help' for usage.\n";
    m_err.flush();
    return kUsage;
}

int DmTool::failed(const QString& text) {
    m_err << "vantrelis-dm: error: " << text << '\n';
    m_err.flush();
    return kFailed;
}

int DmTool::guarded(const std::function<int()>& body) {
    try {
        const int code = body();
        m_out.flush();
        return code;
    } catch (const Fault& fault) {
        m_out.flush();
        return failed(QStringLiteral("%1 (%2)").arg(fault.description()).arg(fault.number()));
    } catch (const std::exception& error) {
        m_out.flush();
        return failed(QString::fromLocal8Bit(error.what()));
    }
}

int DmTool::Run(const QStringList& arguments) {
    if (arguments.isEmpty()) {
        return usageError(QStringLiteral("no command given"));
    }
    const QString name = arguments.front();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        m_out << UsageText();
        m_out.flush();
        return kOk;
    }
    static const QHash<QString, Command> handlers = {
        {QStringLiteral("create"), &DmTool::create},
        {QStringLiteral("add-person"), &DmTool::addPerson},
        {QStringLiteral("add-group"), &DmTool::addGroup},
        {QStringLiteral("add-member"), &DmTool::addMember},
        {QStringLiteral("add-client"), &DmTool::addClient},
        {QStringLiteral("add-matter"), &DmTool::addMatter},
        {QStringLiteral("add-document"), &DmTool::addDocument},
        {QStringLiteral("add-folder"), &DmTool::addFolder},
        {QStringLiteral("link"), &DmTool::link},
        {QStringLiteral("add-trustee"), &DmTool::addTrustee},
        {QStringLiteral("add-settings"), &DmTool::addSettings},
        {QStringLiteral("set-param"), &DmTool::setParam},
        {QStringLiteral("libraries"), &DmTool::libraries},
        {QStringLiteral("chain"), &DmTool::chain},
        {QStringLiteral("trustees"), &DmTool::trustees},
        {QStringLiteral("sql"), &DmTool::sql},
        {QStringLiteral("folders"), &DmTool::folders},
        {QStringLiteral("demo"), &DmTool::demo},
    };
    const auto handler = handlers.constFind(name);
    const auto spec = std::find_if(Commands().begin(), Commands().end(), [&](const CommandSpec& command) {
        return name == QLatin1String(command.name);
    });
    if (handler == handlers.cend() || spec == Commands().end()) {
        return usageError(QStringLiteral("unknown command \"%1\"").arg(name));
    }
    const QStringList rest = arguments.mid(1);
    if (rest.contains(QStringLiteral("--help")) || rest.contains(QStringLiteral("-h"))) {
        m_out << "Usage: vantrelis-dm " << spec->synopsis << '\n';
        m_out.flush();
        return kOk;
    }
    ToolArguments args(rest, spec->valueOptions, spec->flagOptions);
    if (!args.expectPositional(spec->minPositional, spec->maxPositional)) {
        return usageError(QStringLiteral("%1: %2\nUsage: vantrelis-dm %3")
                              .arg(name, args.error(), QLatin1String(spec->synopsis)));
    }
    return (this->**handler)(args);
}

LibraryAdmin DmTool::openLibrary(const QString& file, const ToolArguments& args, Access access) {
    if (!QFileInfo::exists(file)) {
        throw Fault(dm::local::kAdminUnknownName, QStringLiteral("vantrelis-dm"),
                    QStringLiteral("no library file %1").arg(file));
    }
    const LibraryDatabase::Access mode =
        access == Access::Read ? LibraryDatabase::Access::ReadOnly : LibraryDatabase::Access::ReadWrite;
    if (args.has(kEngineOption)) {
        return LibraryAdmin::OpenLibrary(file, args.value(kEngineOption).toInt(), mode);
    }
    // A library knows its own engine: the DATABASE_ENGINE of its own REMOTE_LIBRARIES row.
    LibraryAdmin probe = LibraryAdmin::OpenLibrary(file, dm::kEngineMssql, mode);
    const int engine = probe.database()
                           .scalar(QStringLiteral(
                               "SELECT DATABASE_ENGINE FROM DOCSADM.REMOTE_LIBRARIES WHERE SYSTEM_ID = 0"))
                           .toInt();
    if (!dm::IsKnownEngine(engine) || engine == dm::kEngineMssql) {
        return probe;
    }
    return LibraryAdmin::OpenLibrary(file, engine, mode);
}

int DmTool::create(ToolArguments& args) {
    qint64 engine = 0;
    if (!args.wholeNumber(kEngineOption, dm::kEngineMssql, engine)) {
        return usageError(args.error());
    }
    if (!dm::IsKnownEngine(engine)) {
        return usageError(
            QStringLiteral("--engine must be 10 (MSSQL), 2 or 5 (Oracle) or 6 (Sybase), not %1").arg(engine));
    }
    return guarded([&] {
        const QString file = args.positional(0);
        const QString name =
            args.value(QStringLiteral("--name"), QFileInfo(file).completeBaseName().toUpper());
        LibraryAdmin admin = LibraryAdmin::CreateLibrary(file, static_cast<int>(engine), name);
        m_out << "Created library " << name.trimmed().toUpper() << " ("
              << dm::EngineName(static_cast<int>(engine)) << ", engine " << engine << ") in " << file << '\n';
        return kOk;
    });
}

int DmTool::addPerson(ToolArguments& args) {
    if (!args.has(QStringLiteral("--group"))) {
        return usageError(QStringLiteral("add-person needs --group GROUP_ID (the person's primary group)"));
    }
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        const qint64 id = admin.addPerson(args.positional(1), args.value(QStringLiteral("--full-name")),
                                          args.value(QStringLiteral("--group")));
        m_out << "Added person " << args.positional(1).trimmed().toUpper() << " (SYSTEM_ID " << id
              << ", primary group " << args.value(QStringLiteral("--group")).trimmed().toUpper() << ")\n";
        return kOk;
    });
}

int DmTool::addGroup(ToolArguments& args) {
    qint64 access = 0;
    if (!args.wholeNumber(QStringLiteral("--univ-access"), 0, access)) {
        return usageError(args.error());
    }
    if (access < 0 || access > LibraryAdmin::kMaxUnivAccess) {
        return usageError(QStringLiteral("--univ-access must be 0 to %1, not %2")
                              .arg(LibraryAdmin::kMaxUnivAccess)
                              .arg(access));
    }
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        const qint64 id = admin.addGroup(args.positional(1), args.value(QStringLiteral("--name")), access);
        m_out << "Added group " << args.positional(1).trimmed().toUpper() << " (SYSTEM_ID " << id
              << ", UNIV_ACCESS " << access << ")\n";
        return kOk;
    });
}

int DmTool::addMember(ToolArguments& args) {
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        admin.addMember(args.positional(1), args.positional(2));
        m_out << args.positional(1).trimmed().toUpper() << " is a member of "
              << args.positional(2).trimmed().toUpper() << '\n';
        return kOk;
    });
}

int DmTool::addClient(ToolArguments& args) {
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        const qint64 id = admin.addClient(args.positional(1), args.value(QStringLiteral("--name")));
        m_out << "Added client " << args.positional(1).trimmed() << " (SYSTEM_ID " << id << ")\n";
        return kOk;
    });
}

int DmTool::addMatter(ToolArguments& args) {
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        const qint64 id =
            admin.addMatter(args.positional(1), args.positional(2), args.value(QStringLiteral("--name")));
        m_out << "Added matter " << args.positional(2).trimmed() << " of client "
              << args.positional(1).trimmed() << " (SYSTEM_ID " << id << ")\n";
        return kOk;
    });
}

int DmTool::addDocument(ToolArguments& args) {
    for (const char* required : {"--name", "--author", "--type", "--client", "--matter"}) {
        if (!args.has(QLatin1String(required))) {
            return usageError(QStringLiteral("add-document needs %1").arg(QLatin1String(required)));
        }
    }
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        dm::local::DocumentSpec spec;
        spec.name = args.value(QStringLiteral("--name"));
        spec.author = args.value(QStringLiteral("--author"));
        spec.typist = args.value(QStringLiteral("--typist"));
        spec.typeId = args.value(QStringLiteral("--type"));
        spec.clientId = args.value(QStringLiteral("--client"));
        spec.matterId = args.value(QStringLiteral("--matter"));
        spec.application = args.value(QStringLiteral("--app"));
        spec.abstract = args.value(QStringLiteral("--abstract"));
        const qint64 docNumber = admin.addDocument(spec);
        m_out << "Added document #" << docNumber << ' ' << Quoted(spec.name.trimmed()) << '\n';
        return kOk;
    });
}

int DmTool::addFolder(ToolArguments& args) {
    qint64 parent = 0;
    if (!args.wholeNumber(QStringLiteral("--parent"), 0, parent)) {
        return usageError(args.error());
    }
    if (!args.has(QStringLiteral("--owner"))) {
        return usageError(QStringLiteral("add-folder needs --owner USER_ID"));
    }
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        dm::local::FolderSpec spec;
        spec.name = args.positional(1);
        spec.parent = parent;
        spec.owner = args.value(QStringLiteral("--owner"));
        spec.isPublic = !args.has(QStringLiteral("--private"));
        spec.clientId = args.value(QStringLiteral("--client"));
        spec.matterId = args.value(QStringLiteral("--matter"));
        spec.form = args.value(QStringLiteral("--form"));
        const qint64 docNumber = admin.addFolder(spec);
        m_out << "Added folder #" << docNumber << ' ' << Quoted(spec.name.trimmed());
        if (parent != 0) {
            m_out << " in folder #" << parent;
        }
        m_out << '\n';
        return kOk;
    });
}

int DmTool::link(ToolArguments& args) {
    qint64 parent = 0;
    qint64 item = 0;
    if (!args.wholeNumberAt(1, QStringLiteral("PARENT_DOCNUMBER"), parent) ||
        !args.wholeNumberAt(2, QStringLiteral("ITEM_DOCNUMBER"), item)) {
        return usageError(args.error());
    }
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        const qint64 row = admin.linkItem(parent, item);
        m_out << "Linked document #" << item << " into folder #" << parent << " (FOLDER_ITEM " << row
              << ")\n";
        return kOk;
    });
}

int DmTool::addTrustee(ToolArguments& args) {
    qint64 docNumber = 0;
    qint64 rights = 0;
    if (!args.wholeNumberAt(1, QStringLiteral("DOCNUMBER"), docNumber) ||
        !args.wholeNumberAt(3, QStringLiteral("RIGHTS"), rights)) {
        return usageError(args.error());
    }
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        admin.addTrustee(docNumber, args.positional(2), rights);
        m_out << "Trustee " << args.positional(2).trimmed().toUpper() << " on document #" << docNumber << ": "
              << TrusteeLister::RightsText(rights <= 0 ? dm::kDeniedRights : rights) << '\n';
        return kOk;
    });
}

int DmTool::addSettings(ToolArguments& args) {
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        const bool existed = admin.hasSettingsTable();
        admin.batch([&] {
            admin.addSettingsTable();
            if (args.has(QStringLiteral("--rule"))) {
                dm::local::FolderRuleSpec rule;
                rule.name = args.value(QStringLiteral("--rule"));
                rule.pathTemplate = LibraryAdmin::DefaultRuleTemplate();
                rule.security = LibraryAdmin::DefaultRuleSecurity();
                admin.addFolderRule(rule);
                admin.addImportSet(rule.name, QStringLiteral(","),
                                   {{QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID"), 1, 0, QString(), 0},
                                    {QStringLiteral("MATTER.MATTER_ID"), 2, 0, QString(), 1},
                                    {QStringLiteral("DOCUMENTTYPE.TYPE_ID"), 3, 0, QString(), 1}});
            }
        });
        m_out << (existed ? "QORV_SETTINGS was there already" : "Added QORV_SETTINGS");
        if (args.has(QStringLiteral("--rule"))) {
            m_out << "; folder rule and comma-delimited import set "
                  << args.value(QStringLiteral("--rule")).trimmed().toUpper() << " written";
        }
        m_out << '\n';
        return kOk;
    });
}

int DmTool::setParam(ToolArguments& args) {
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args);
        admin.setParameter(args.positional(1), args.positional(2), args.positional(3));
        m_out << "Parameter " << args.positional(2).trimmed() << " = " << args.positional(3) << " for "
              << args.positional(1).trimmed() << '\n';
        return kOk;
    });
}

int DmTool::libraries(ToolArguments& args) {
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
                     .arg(QStringLiteral("UA255"), 5)
                     .arg(QStringLiteral("FILE"));
        for (const QString& name : server->libraryNames()) {
            const int engine = server->engineCode(name);
            const QString engineText = QStringLiteral("%1 %2").arg(engine).arg(dm::EngineName(engine));
            try {
                auto db = server->library(name);
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
                    rules = db->scalar(QStringLiteral(
                                           "SELECT COUNT(DISTINCT UPPER(SUB_KEY)) FROM DOCSADM.QORV_SETTINGS "
                                           "WHERE MASTER_KEY = 'VANTRELIS' AND SECTION_KEY LIKE 'RULE_%'"))
                                .toString();
                }
                const qint64 rights = db->scalar(RightsCheckSql(server->userId())).toLongLong();
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
        m_out
            << "\nRULES - : the library has no QORV_SETTINGS table. UA255: the login user is in a group with "
               "UNIV_ACCESS 255.\n";
        if (code != kOk) {
            m_out.flush();
            return failed(
                QStringLiteral("the login or a library of %1 cannot be used (see above)").arg(serverFile));
        }
        return kOk;
    });
}

int DmTool::chain(ToolArguments& args) {
    qint64 parent = 0;
    if (!args.wholeNumberAt(1, QStringLiteral("PARENT_DOCNUMBER"), parent)) {
        return usageError(args.error());
    }
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args, Access::Read);
        LibraryDatabase& db = admin.database();
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

int DmTool::trustees(ToolArguments& args) {
    qint64 docNumber = 0;
    if (!args.wholeNumberAt(1, QStringLiteral("DOCNUMBER"), docNumber)) {
        return usageError(args.error());
    }
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args, Access::Read);
        const auto entries = TrusteeLister::List(admin.database(), docNumber);
        const dm::local::QueryResult profile = admin.database().query(
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

int DmTool::sql(ToolArguments& args) {
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

int DmTool::folders(ToolArguments& args) {
    return guarded([&] {
        LibraryAdmin admin = openLibrary(args.positional(0), args, Access::Read);
        LibraryDatabase& db = admin.database();
        // Top-level folders as the import run finds them: folders no FOLDER_ITEM row of this library holds.
        const dm::local::QueryResult top =
            db.query(QStringLiteral("SELECT F.DOCNUMBER, P.DOCNAME FROM DOCSADM.FOLDER F, DOCSADM.PROFILE P "
                                    "WHERE F.DOCNUMBER = P.DOCNUMBER AND F.DOCNUMBER NOT IN "
                                    "(SELECT DISTINCT DOCNUMBER FROM DOCSADM.FOLDER_ITEM WHERE LIBRARY = 0) "
                                    "ORDER BY F.DOCNUMBER"));
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

int DmTool::demo(ToolArguments& args) {
    return guarded([&] {
        DemoBuilder builder(args.positional(0));
        const DemoSummary summary = builder.Build();
        for (const QString& line : DemoBuilder::Describe(summary)) {
            m_out << line << '\n';
        }
        return kOk;
    });
}

} // namespace vantrelis::tools
