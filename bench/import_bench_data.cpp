// Builds the data of the import benchmark: one library with clients, matters and documents, the
// default folder rule and its comma-delimited import set, a DM server file and an import file.
// Path i is client i mod C, matter (i / C) mod 3, type (i / 3C) mod 6; document d belongs to path
// d mod P, so every path files documents / paths documents and ten times the data costs ten times.
//   vantrelis-import-bench-data DIR [--documents N] [--clients N] [--paths N]
// DIR must not hold a library yet. Prints what it made.
#include "common/Fault.h"
#include "config/FolderRuleDefinition.h"
#include "dm/local/LibraryAdmin.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vantrelis;
using namespace vantrelis::dm::local;

namespace {

const char* const kTypes[] = {"MEMO", "LETTER", "PLEADING", "CONTRACT", "AGREEMENT", "BRIEF"};
constexpr int kTypeCount = 6;
constexpr int kMattersPerClient = 3;

struct PathOf {
    int client;
    int matter;
    int type;
};

PathOf Path(int index, int clients) {
    return {index % clients, index / clients % kMattersPerClient,
            index / (clients * kMattersPerClient) % kTypeCount};
}

QString ClientId(int client) {
    return QStringLiteral("C%1").arg(100000 + client);
}
QString MatterId(int client, int matter) {
    return QStringLiteral("M%1-%2").arg(100000 + client).arg(matter + 1);
}

void Write(const QString& file, const QString& text) {
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Fault(1, QStringLiteral("bench"), QStringLiteral("Cannot write ") + file);
    out.write(text.toUtf8());
}

int Argument(const QStringList& arguments, const QString& name, int fallback) {
    const qsizetype at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1).toInt() : fallback;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty() || arguments.first().startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr,
                     "usage: vantrelis-import-bench-data DIR [--documents N] [--clients N] [--paths N]\n");
        return 2;
    }
    const QString dir = QDir(arguments.first()).absolutePath();
    const int documents = Argument(arguments, QStringLiteral("--documents"), 50000);
    const int clients = Argument(arguments, QStringLiteral("--clients"), 2000);
    const int paths = Argument(arguments, QStringLiteral("--paths"), 5000);
    if (documents < 1 || clients < 1 || paths < 1 || paths > clients * kMattersPerClient * kTypeCount) {
        std::fprintf(stderr, "vantrelis-import-bench-data: at most 18 paths per client\n");
        return 2;
    }
    try {
        QElapsedTimer timer;
        timer.start();
        QDir().mkpath(dir);
        const QString file = QDir(dir).filePath(QStringLiteral("bench.db"));
        LibraryAdmin admin = LibraryAdmin::CreateLibrary(file, 10, QStringLiteral("BENCH"));
        admin.batch([&] {
            admin.addGroup(QStringLiteral("DOCS_SUPERVISORS"), QStringLiteral("Supervisors"), 255);
            admin.addGroup(QStringLiteral("DOCS_USERS"), QStringLiteral("Users"), 0);
            admin.addGroup(QStringLiteral("LEGAL"), QStringLiteral("Legal"), 0);
            admin.addPerson(QStringLiteral("BENCH"), QStringLiteral("Bench User"), QStringLiteral("LEGAL"));
            admin.addMember(QStringLiteral("BENCH"), QStringLiteral("DOCS_SUPERVISORS"));
            admin.addMember(QStringLiteral("BENCH"), QStringLiteral("DOCS_USERS"));
            for (int c = 0; c < clients; ++c) {
                admin.addClient(ClientId(c), QStringLiteral("Client %1").arg(c));
                for (int m = 0; m < kMattersPerClient; ++m)
                    admin.addMatter(ClientId(c), MatterId(c, m), QStringLiteral("Matter %1").arg(m));
            }
            for (int d = 0; d < documents; ++d) {
                const PathOf path = Path(d % paths, clients);
                DocumentSpec spec;
                spec.name = QStringLiteral("Document %1").arg(d);
                spec.author = QStringLiteral("BENCH");
                spec.typeId = QLatin1String(kTypes[path.type]);
                spec.clientId = ClientId(path.client);
                spec.matterId = MatterId(path.client, path.matter);
                spec.creationDate = QStringLiteral("2023-01-02");
                admin.addDocument(spec);
            }
            // Client folders with their matter folders, as a firm has them before the import: the
            // import finds them and adds the document type folders, which take their matter from the
            // matter folder and so receive the matter's documents.
            const int matters = std::min(paths, clients * kMattersPerClient);
            std::vector<qint64> clientFolders(static_cast<std::size_t>(clients), 0);
            for (int i = 0; i < matters; ++i) {
                const PathOf path = Path(i, clients);
                qint64& clientFolder = clientFolders[static_cast<std::size_t>(path.client)];
                FolderSpec spec;
                spec.owner = QStringLiteral("BENCH");
                spec.clientId = ClientId(path.client);
                spec.creationDate = QStringLiteral("2023-01-01");
                if (clientFolder == 0) {
                    spec.name = ClientId(path.client);
                    clientFolder = admin.addFolder(spec);
                }
                spec.name = MatterId(path.client, path.matter);
                spec.matterId = spec.name;
                spec.parent = clientFolder;
                admin.addFolder(spec);
            }
            admin.addSettingsTable();
            FolderRuleDefinition rule;
            rule.name = QStringLiteral("CLIENT_MATTER");
            rule.pathTemplate = FolderRuleDefinition::DefaultTemplate();
            rule.security = FolderRuleDefinition::DefaultSecurity();
            admin.replaceSettings(rule.settingsRows());
            admin.addImportSet(QStringLiteral("CLIENT_MATTER"), QStringLiteral(","),
                               {{QStringLiteral("MATTER.CLIENT_ID.CLIENT_ID"), 1, 0, QString(), 0},
                                {QStringLiteral("MATTER.MATTER_ID"), 2, 0, QString(), 1},
                                {QStringLiteral("DOCUMENTTYPE.TYPE_ID"), 3, 0, QString(), 1}});
        });

        QString lines;
        for (int i = 0; i < paths; ++i) {
            const PathOf path = Path(i, clients);
            lines += ClientId(path.client) + QLatin1Char(',') + MatterId(path.client, path.matter) +
                     QLatin1Char(',') + QLatin1String(kTypes[path.type]) + QLatin1Char('\n');
        }
        Write(QDir(dir).filePath(QStringLiteral("import.csv")), lines);
        Write(
            QDir(dir).filePath(QStringLiteral("dm-server.ini")),
            QStringLiteral("[Server]\nUser=BENCH\nLibraries=BENCH\nCurrentLibrary=BENCH\n\n[Library.BENCH]\n"
                           "Database=bench.db\nEngine=10\n"));
        std::printf("bench data: %d documents, %d clients, %d paths in %s (%lld ms)\n", documents, clients,
                    paths, qPrintable(dir), static_cast<long long>(timer.elapsed()));
        return 0;
    } catch (const Fault& fault) {
        std::fprintf(stderr, "vantrelis-import-bench-data: %s\n", qPrintable(fault.description()));
        return 1;
    }
}
