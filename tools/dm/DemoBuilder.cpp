#include "DemoBuilder.h"

#include "common/Fault.h"
#include "config/FolderRuleDefinition.h"
#include "dm/local/LibraryAdmin.h"
#include "dm/local/PgLibraryStore.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QUrl>
#include <random>

namespace vantrelis::tools {

using dm::local::DocumentSpec;
using dm::local::FolderSpec;
using dm::local::ImportColumnSpec;
using dm::local::LibraryAdmin;

namespace {

const QString kSource = QStringLiteral("DemoBuilder");
// Every random choice of the demo comes from generators seeded with these, so a demo folder
// always gets the same content.
constexpr unsigned kDataSeed = 20240611;
constexpr unsigned kImportSeed = 7;

struct DemoGroup {
    const char* id;
    const char* name;
    int univAccess;
};
const DemoGroup kGroups[] = {
    {"DOCS_SUPERVISORS", "Document supervisors", kAdministratorAccess},
    {"DOCS_USERS", "All document users", 0},
    {"LEGAL", "Legal department", 0},
    {"LITIGATION", "Litigation department", 0},
    {"FINANCE", "Finance department", 0},
    {"CORPORATE", "Corporate department", 0},
};

struct DemoPerson {
    const char* userId;
    const char* fullName;
    const char* primaryGroup;
    bool supervisor;
};
const DemoPerson kPeople[] = {
    {"GARY", "Gary Lindqvist", "LEGAL", true},     {"ANNA", "Anna Moreau", "LITIGATION", false},
    {"BRUNO", "Bruno Keller", "FINANCE", false},   {"CLAIRE", "Claire O'Connell", "LEGAL", false},
    {"DAVID", "David Osei", "CORPORATE", false},   {"ELENA", "Elena Rossi", "LITIGATION", false},
    {"FRANK", "Frank Whitaker", "FINANCE", false}, {"GRACE", "Grace Nakamura", "CORPORATE", false},
    {"HENRY", "Henry Dubois", "LEGAL", false},     {"IRENE", "Irene Kowalski", "LITIGATION", false},
    {"JAMES", "James Adeyemi", "FINANCE", false},  {"KAREN", "Karen Lindholm", "CORPORATE", true},
};

const char* const kSurnames[] = {"Abbott",    "Brennan",  "Castillo", "Delaney", "O'Brien",   "Fischer",
                                 "Gallagher", "Hartmann", "Ibsen",    "Jensen",  "Kowalczyk", "Larsen",
                                 "Mbeki",     "Novak",    "Okafor",   "Petrov",  "Quinn",     "Ramirez",
                                 "Schultz",   "Tanaka",   "Ulrich",   "Varga",   "Weber",     "Xu",
                                 "Yilmaz",    "Zimmer",   "Andersen", "Bianchi", "Costa",     "Dahl"};
const char* const kFirmSuffixes[] = {"Holdings", "& Partners"};

const char* const kMatterSubjects[] = {"Lease dispute",    "Share purchase",   "Employment claim",
                                       "Trademark filing", "Supply agreement", "Regulatory review",
                                       "Debt recovery",    "Merger",           "Property acquisition",
                                       "Insurance claim",  "Joint venture",    "Tax appeal"};

struct DemoType {
    const char* id;
    const char* word;
};
const DemoType kTypes[] = {{"MEMO", "Memo"},         {"LETTER", "Letter"},       {"PLEADING", "Pleading"},
                           {"CONTRACT", "Contract"}, {"AGREEMENT", "Agreement"}, {"BRIEF", "Brief"}};

const char* const kDocumentSubjects[] = {
    "initial instructions", "settlement terms",      "draft for review", "board approval", "court filing",
    "final version",        "counterparty comments", "due diligence",    "fee estimate",   "meeting notes"};

struct DemoMatter {
    QString id;
    QString name;
};
struct DemoClient {
    QString id;
    QString name;
    std::vector<DemoMatter> matters;
};

// The clients and matters every demo library shares, so one import line means the same folder in
// each of them.
std::vector<DemoClient> MakeClients(int clientCount, int matterCount) {
    std::mt19937 random(kDataSeed);
    std::vector<DemoClient> clients;
    const int surnameCount = static_cast<int>(std::size(kSurnames));
    for (int i = 0; i < clientCount; ++i) {
        DemoClient client;
        client.id = QStringLiteral("C%1").arg(1001 + i);
        client.name = QStringLiteral("%1 %2").arg(QLatin1String(kSurnames[i % surnameCount]),
                                                  QLatin1String(kFirmSuffixes[(i / surnameCount) % 2]));
        clients.push_back(client);
    }
    // Three matters each, the rest spread over the first clients.
    for (int m = 0; m < matterCount; ++m) {
        DemoClient& client =
            clients[static_cast<std::size_t>(m < clientCount * 3 ? m / 3 : m - clientCount * 3) %
                    clients.size()];
        const char* subject = kMatterSubjects[random() % std::size(kMatterSubjects)];
        client.matters.push_back({QStringLiteral("M%1").arg(2001 + m), QString::fromLatin1(subject)});
    }
    return clients;
}

void AddGroupsAndPeople(LibraryAdmin& admin, int peopleCount) {
    for (const DemoGroup& group : kGroups) {
        admin.addGroup(group.id, group.name, group.univAccess);
    }
    for (int i = 0; i < peopleCount; ++i) {
        const DemoPerson& person = kPeople[i];
        admin.addPerson(person.userId, person.fullName, person.primaryGroup);
        admin.addMember(person.userId, QStringLiteral("DOCS_USERS"));
        if (person.supervisor) {
            admin.addMember(person.userId, QStringLiteral("DOCS_SUPERVISORS"));
        }
    }
}

void AddClientsAndMatters(LibraryAdmin& admin, const std::vector<DemoClient>& clients) {
    for (const DemoClient& client : clients) {
        admin.addClient(client.id, client.name);
        for (const DemoMatter& matter : client.matters) {
            admin.addMatter(client.id, matter.id, matter.name);
        }
    }
}

void AddDocuments(LibraryAdmin& admin, const std::vector<DemoClient>& clients, int count, int peopleCount,
                  unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::pair<const DemoClient*, const DemoMatter*>> matters;
    for (const DemoClient& client : clients) {
        for (const DemoMatter& matter : client.matters) {
            matters.emplace_back(&client, &matter);
        }
    }
    const QDate firstDay(2022, 1, 3);
    for (int i = 0; i < count; ++i) {
        const auto& [client, matter] = matters[random() % matters.size()];
        const DemoType& type = kTypes[random() % std::size(kTypes)];
        const DemoPerson& author = kPeople[random() % static_cast<unsigned>(peopleCount)];
        // Most documents are typed by their author.
        const DemoPerson& typist =
            random() % 10 < 6 ? author : kPeople[random() % static_cast<unsigned>(peopleCount)];
        const unsigned appDraw = random() % 10;
        const char* application = appDraw < 7 ? "MS WORD" : (appDraw < 9 ? "ACROBAT" : "EXCEL");
        const char* subject = kDocumentSubjects[random() % std::size(kDocumentSubjects)];
        DocumentSpec spec;
        spec.name = QStringLiteral("%1 re %2 (%3)")
                        .arg(QLatin1String(type.word), QLatin1String(subject), matter->name.toLower());
        spec.abstract = QStringLiteral("%1 for %2").arg(QLatin1String(type.word), client->name);
        spec.author = QLatin1String(author.userId);
        spec.typist = QLatin1String(typist.userId);
        spec.typeId = QLatin1String(type.id);
        spec.application = QLatin1String(application);
        spec.clientId = client->id;
        spec.matterId = matter->id;
        spec.creationDate = firstDay.addDays(random() % 900).toString(Qt::ISODate);
        const qint64 docNumber = admin.addDocument(spec);
        // A few documents are secured: their author and the supervisors only.
        if (i % 500 == 250) {
            admin.addTrustee(docNumber, QLatin1String(author.userId), 255);
            admin.addTrustee(docNumber, QStringLiteral("GROUP:DOCS_SUPERVISORS"), 255);
            admin.addTrustee(docNumber, QStringLiteral("GROUP:DOCS_USERS"), 0);
        }
    }
}

// A folder secured the way the folder rule's template would secure it.
// A folder secured as the demo's folders are; an empty matter id leaves its MATTER empty.
qint64 AddSecuredFolder(LibraryAdmin& admin, const QString& name, qint64 parent, const DemoClient& client,
                        const QString& matterId) {
    FolderSpec spec;
    spec.name = name;
    spec.parent = parent;
    spec.owner = QLatin1String(DemoBuilder::kLoginUser);
    spec.clientId = client.id;
    spec.matterId = matterId;
    spec.form = QStringLiteral("FOLDERPROF");
    spec.defaultRights = 1;
    spec.creationDate = QStringLiteral("2021-12-20");
    const qint64 folder = admin.addFolder(spec);
    admin.addTrustee(folder, QStringLiteral("GROUP:LEGAL"), 127);
    admin.addTrustee(folder, QStringLiteral("GROUP:DOCS_SUPERVISORS"), 255);
    admin.addTrustee(folder, QStringLiteral("GROUP:DOCS_USERS"), 0);
    return folder;
}

// Client folders with matter folders below them, linked in an unsorted order, and in the first
// clients' first matter type folders holding a few documents. A client folder carries no matter:
// new folders copy their parent's profile, and a matter on the client folder would give every new
// matter folder below it that one matter's documents.
void AddExistingFolders(LibraryAdmin& admin, const std::vector<DemoClient>& clients, int clientCount,
                        int mattersPerClient, int typedClients) {
    for (int c = 0; c < clientCount; ++c) {
        const DemoClient& client = clients[static_cast<std::size_t>(c)];
        const qint64 clientFolder = AddSecuredFolder(admin, client.id, 0, client, QString());
        const int matterCount = std::min<int>(mattersPerClient, static_cast<int>(client.matters.size()));
        for (int m = matterCount - 1; m >= 0; --m) {
            const DemoMatter& matter = client.matters[static_cast<std::size_t>(m)];
            const qint64 matterFolder = AddSecuredFolder(admin, matter.id, clientFolder, client, matter.id);
            if (m != 0 || c >= typedClients) {
                continue;
            }
            const qint64 memoFolder =
                AddSecuredFolder(admin, QStringLiteral("MEMO"), matterFolder, client, matter.id);
            const qint64 letterFolder =
                AddSecuredFolder(admin, QStringLiteral("LETTER"), matterFolder, client, matter.id);
            if (c > 1) {
                continue;
            }
            const QStringList memos = {QStringLiteral("Memo re engagement terms"),
                                       QStringLiteral("Memo re conflict check")};
            for (const QString& name : memos) {
                DocumentSpec spec;
                spec.name = name;
                spec.author = QLatin1String(DemoBuilder::kLoginUser);
                spec.typist = QStringLiteral("CLAIRE");
                spec.typeId = QStringLiteral("MEMO");
                spec.clientId = client.id;
                spec.matterId = matter.id;
                spec.creationDate = QStringLiteral("2022-01-03");
                admin.linkItem(memoFolder, admin.addDocument(spec));
            }
            DocumentSpec letter;
            letter.name = QStringLiteral("Letter re O'Brien's instructions");
            letter.author = QStringLiteral("ANNA");
            letter.typeId = QStringLiteral("LETTER");
            letter.clientId = client.id;
            letter.matterId = matter.id;
            letter.creationDate = QStringLiteral("2022-01-04");
            admin.linkItem(letterFolder, admin.addDocument(letter));
        }
    }
}

struct LibraryPlan {
    const char* name;
    const char* fileName;
    int engineCode;
    int people;
    int clients;
    int matters;
    int documents;
    unsigned documentSeed;
    bool settings;
    int clientFolders;
    int matterFoldersPerClient;
    int typedClients;
};

const LibraryPlan kPlans[] = {
    {DemoBuilder::kMssqlLibrary, "vantrelis_mssql.db", 10, 12, 60, 200, 3000, 11, true, 8, 2, 4},
    {DemoBuilder::kOracleLibrary, "vantrelis_oracle.db", 2, 12, 60, 200, 2000, 22, true, 3, 1, 0},
    {DemoBuilder::kSmallLibrary, "vantrelis_small.db", 10, 3, 3, 5, 12, 33, false, 0, 0, 0},
};

int CountOf(LibraryAdmin& admin, const QString& sql) {
    return admin.store().scalar(sql).toInt();
}

// Where a plan's library goes: its file in the folder, or its database on the server.
QString LibraryLocation(const QString& directory, const QString& server, const LibraryPlan& plan) {
    if (server.isEmpty()) {
        return QDir(directory).filePath(QLatin1String(plan.fileName));
    }
    QUrl url(server);
    url.setPath(QLatin1Char('/') + QFileInfo(QLatin1String(plan.fileName)).completeBaseName());
    return url.toString();
}

DemoLibrarySummary BuildLibrary(const QString& file, const LibraryPlan& plan) {
    QElapsedTimer timer;
    timer.start();
    LibraryAdmin admin = LibraryAdmin::CreateLibrary(file, plan.engineCode, QLatin1String(plan.name));
    // As `vantrelis-dm create` makes them: runs into the demo's libraries are journalled.
    admin.addJournalTables();
    const std::vector<DemoClient> clients = MakeClients(plan.clients, plan.matters);
    admin.batch([&] {
        AddGroupsAndPeople(admin, plan.people);
        AddClientsAndMatters(admin, clients);
        AddDocuments(admin, clients, plan.documents, plan.people, plan.documentSeed);
        if (plan.clientFolders > 0) {
            AddExistingFolders(admin, clients, plan.clientFolders, plan.matterFoldersPerClient,
                               plan.typedClients);
        }
        if (plan.settings) {
            DemoBuilder::AddSettings(admin, QLatin1String(DemoBuilder::kRuleName));
        }
    });

    DemoLibrarySummary summary;
    summary.name = QLatin1String(plan.name);
    summary.file = file;
    summary.engineCode = plan.engineCode;
    summary.people = CountOf(admin, QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PEOPLE"));
    summary.groups = CountOf(admin, QStringLiteral("SELECT COUNT(*) FROM DOCSADM.GROUPS"));
    summary.clients = CountOf(admin, QStringLiteral("SELECT COUNT(*) FROM DOCSADM.CLIENT"));
    summary.matters = CountOf(admin, QStringLiteral("SELECT COUNT(*) FROM DOCSADM.MATTER"));
    summary.documents =
        CountOf(admin, QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PROFILE WHERE DOCNUMBER NOT IN "
                                      "(SELECT DOCNUMBER FROM DOCSADM.FOLDER)"));
    summary.folders = CountOf(admin, QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER"));
    summary.filedDocuments =
        CountOf(admin, QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM WHERE NODE_TYPE = 'P'"));
    summary.settingsTable = admin.hasSettingsTable();
    summary.milliseconds = timer.elapsed();
    return summary;
}

// A few hundred "Client,Matter,DocumentType" lines: paths that exist already, new paths, repeats,
// and lines a careful reader has to cope with.
QStringList MakeImportLines(const std::vector<DemoClient>& clients) {
    std::mt19937 random(kImportSeed);
    QStringList lines;
    // Paths the MSSQL library has in full or in part.
    lines << QStringLiteral("C1001,M2001,MEMO") << QStringLiteral("C1001,M2001,LETTER")
          << QStringLiteral("C1001,M2002,PLEADING") << QStringLiteral("C1002,M2004,MEMO")
          << QStringLiteral("C1003,M2007,CONTRACT") << QStringLiteral("C1005,M2013,BRIEF");
    for (int i = 0; i < 250; ++i) {
        const DemoClient& client = clients[random() % clients.size()];
        const DemoMatter& matter = client.matters[random() % client.matters.size()];
        const DemoType& type = kTypes[random() % std::size(kTypes)];
        lines << QStringLiteral("%1,%2,%3").arg(client.id, matter.id, QLatin1String(type.id));
    }
    // Lines with something wrong or unusual, spread through the file.
    const QStringList odd = {
        QString(),                                        // blank
        QStringLiteral("   "),                            // blanks only
        QStringLiteral("C1010,M2028"),                    // no document type
        QStringLiteral("C1011"),                          // client only
        QStringLiteral(",M2001,MEMO"),                    // no client
        QStringLiteral("\"C1012\",\"M2034\",\"LETTER\""), // quoted values
        QStringLiteral("C10'13,M2037,MEMO"),              // an apostrophe inside a value
        QStringLiteral("C1014,M2040,O'BRIEN MEMO"),       // an apostrophe in a folder name
        QStringLiteral("C9999,M9999,MEMO"),               // unknown client and matter
        QStringLiteral("C9998,M2001,LETTER"),             // unknown client, known matter number
        QStringLiteral("c1002,m2004,memo"),         // lower case: one folder in MSSQL, a new one in Oracle
        QStringLiteral("C1015,M2043,BRIEF,EXTRA"),  // a field too many
        QStringLiteral("C1016 ,M2046 ,AGREEMENT "), // trailing blanks in fields
        QString(),
        QStringLiteral("C1001,M2001,MEMO"), // the first line again
    };
    for (int i = 0; i < odd.size(); ++i) {
        lines.insert(std::min<qsizetype>(lines.size(), 10 + i * 17), odd[i]);
    }
    return lines;
}

void WriteTextFile(const QString& file, const QStringList& lines) {
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        throw Fault(dm::local::kAdminBadArgument, kSource,
                    QStringLiteral("Cannot write %1: %2").arg(file, out.errorString()));
    }
    QTextStream stream(&out);
    for (const QString& line : lines) {
        stream << line << '\n';
    }
}

} // namespace

DemoBuilder::DemoBuilder(QString directory) : m_directory(std::move(directory)) {}

DemoSummary DemoBuilder::Build() {
    QElapsedTimer timer;
    timer.start();
    QDir dir(m_directory);
    if (!dir.exists() && !QDir().mkpath(m_directory)) {
        throw Fault(dm::local::kAdminBadArgument, kSource,
                    QStringLiteral("Cannot create the folder %1").arg(m_directory));
    }
    const QStringList ownFiles = {
        QStringLiteral("dm-server.ini"),       QStringLiteral("registry.ini"),
        QStringLiteral("import.csv"),          QStringLiteral("vantrelis_mssql.db"),
        QStringLiteral("vantrelis_oracle.db"), QStringLiteral("vantrelis_small.db")};
    for (const QString& name : ownFiles) {
        if (dir.exists(name)) {
            throw Fault(dm::local::kAdminDuplicate, kSource,
                        QStringLiteral("%1 already holds a demo (%2); remove the folder first")
                            .arg(QDir::toNativeSeparators(dir.absolutePath()), name));
        }
    }

    DemoSummary summary;
    summary.directory = dir.absolutePath();
    summary.loginUser = QLatin1String(kLoginUser);
    for (const LibraryPlan& plan : kPlans) {
        summary.libraries.push_back(BuildLibrary(LibraryLocation(summary.directory, m_server, plan), plan));
    }

    summary.serverFile = dir.absoluteFilePath(QStringLiteral("dm-server.ini"));
    QStringList server = {
        QStringLiteral("; DM server of the Vantrelis demo (vantrelis-dm demo)"),
        QStringLiteral("[Server]"),
        QStringLiteral("User=%1").arg(QLatin1String(kLoginUser)),
        QStringLiteral("CurrentLibrary=%1").arg(QLatin1String(kMssqlLibrary)),
        QStringLiteral("PrimaryLibrary=%1").arg(QLatin1String(kMssqlLibrary)),
        QStringLiteral("Libraries=%1, %2, %3")
            .arg(QLatin1String(kMssqlLibrary), QLatin1String(kOracleLibrary), QLatin1String(kSmallLibrary))};
    for (const LibraryPlan& plan : kPlans) {
        server << QString() << QStringLiteral("[Library.%1]").arg(QLatin1String(plan.name))
               << QStringLiteral("Database=%1")
                      .arg(m_server.isEmpty() ? QLatin1String(plan.fileName)
                                              : LibraryLocation(summary.directory, m_server, plan))
               << QStringLiteral("Engine=%1").arg(plan.engineCode);
    }
    WriteTextFile(summary.serverFile, server);

    summary.registryFile = dir.absoluteFilePath(QStringLiteral("registry.ini"));
    WriteTextFile(summary.registryFile,
                  {QStringLiteral("; Registry values of the DM client (vantrelis-dm demo)"),
                   QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Hummingbird\\PowerDOCS]"),
                   QStringLiteral("CurrentVersion=\"5.3.1\""), QStringLiteral("PatchLevel=\"6\"")});

    summary.importFile = dir.absoluteFilePath(QStringLiteral("import.csv"));
    const QStringList importLines = MakeImportLines(MakeClients(kPlans[0].clients, kPlans[0].matters));
    WriteTextFile(summary.importFile, importLines);
    summary.importLines = static_cast<int>(importLines.size());
    summary.milliseconds = timer.elapsed();
    return summary;
}

void DemoBuilder::AddSettings(LibraryAdmin& admin, const QString& ruleName) {
    admin.batch([&] {
        admin.addSettingsTable();
        FolderRuleDefinition rule = FolderRuleDefinition::DefaultRule();
        rule.name = ruleName;
        admin.replaceSettings(rule.settingsRows());
        // Client folders are left in creation order; matter and type folders are kept sorted.
        admin.addImportSet(ruleName, QStringLiteral(","),
                           {{QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID"), 1, 0, QString(), 0},
                            {QStringLiteral("MATTER.MATTER_ID"), 2, 0, QString(), 1},
                            {QStringLiteral("DOCUMENTTYPE.TYPE_ID"), 3, 0, QString(), 1}});
    });
}

QStringList DemoBuilder::Describe(const DemoSummary& summary) {
    QStringList lines;
    lines << QStringLiteral("Demo environment in %1 (built in %2 ms)")
                 .arg(QDir::toNativeSeparators(summary.directory))
                 .arg(summary.milliseconds);
    lines
        << QStringLiteral("  DM server file: %1 (login user %2)").arg(summary.serverFile, summary.loginUser);
    lines << QStringLiteral("  Registry file:  %1").arg(summary.registryFile);
    lines << QStringLiteral("  Import file:    %1 (%2 lines, import set %3)")
                 .arg(summary.importFile)
                 .arg(summary.importLines)
                 .arg(QLatin1String(kRuleName));
    for (const DemoLibrarySummary& library : summary.libraries) {
        lines << QStringLiteral("  %1 (engine %2, %3): %4 people, %5 groups, %6 clients, %7 matters, "
                                "%8 documents, %9 folders, %10 filed, %11 [%12 ms]")
                     .arg(library.name)
                     .arg(library.engineCode)
                     .arg(dm::local::PgLibraryStore::IsUri(library.file)
                              ? dm::local::PgLibraryStore::PrintableUri(library.file)
                              : QFileInfo(library.file).fileName())
                     .arg(library.people)
                     .arg(library.groups)
                     .arg(library.clients)
                     .arg(library.matters)
                     .arg(library.documents)
                     .arg(library.folders)
                     .arg(library.filedDocuments)
                     .arg(library.settingsTable
                              ? QStringLiteral("settings and rule %1").arg(QLatin1String(kRuleName))
                              : QStringLiteral("no settings table"))
                     .arg(library.milliseconds);
    }
    return lines;
}

} // namespace vantrelis::tools
