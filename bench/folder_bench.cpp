// Files documents into one folder the way an import run does (the folder rule's document query,
// then AddFolderItem for each document) on a local library, and prints what it costs.
//   vantrelis-folder-bench [--small N] [--large N] [--sorted-small N] [--sorted-large N]
// Defaults: 1000 and 10000 documents, with sorting off and then on. With sorting off the cost per
// document must not grow with the folder: the ratio of the two times should stay near the ratio of
// the two counts.
#include "app/AppContext.h"
#include "common/Clock.h"
#include "common/Fault.h"
#include "common/SqlText.h"
#include "common/Text.h"
#include "config/FolderRules.h"
#include "dm/SqlRows.h"
#include "dm/local/FolderChain.h"
#include "dm/local/LibraryAdmin.h"
#include "dm/local/LocalBackend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <memory>

using namespace vantrelis;

namespace {

class SilentPrompter : public Prompter {
public:
    int ask(const QString&, int, const QString&) override { return 0; }
};

class NoLauncher : public Launcher {
public:
    bool startDetached(const QString&, const QStringList&) override { return false; }
};

class MemoryStore : public SettingsStore {
public:
    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& defaultValue) const override {
        return m_values.value(application + section + key, defaultValue);
    }
    void save(const QString& application, const QString& section, const QString& key,
              const QString& value) override {
        m_values.insert(application + section + key, value);
    }

private:
    QHash<QString, QString> m_values;
};

// Passes every call on to the library's SQL object and counts the statements sent.
class CountingSql : public dm::DmSql {
public:
    explicit CountingSql(std::shared_ptr<dm::DmSql> inner) : m_inner(std::move(inner)) {}
    qint64 statements = 0;
    bool recording = false;
    QStringList recorded;

    void setToken(const QString& token) override { m_inner->setToken(token); }
    void setLibrary(const QString& libraryName) override { m_inner->setLibrary(libraryName); }
    int engineCode() const override { return m_inner->engineCode(); }
    qint64 execute(const QString& instruction) override {
        ++statements;
        if (recording)
            recorded << instruction;
        return m_inner->execute(instruction);
    }
    qint64 errorNumber() const override { return m_inner->errorNumber(); }
    QString errorText() const override { return m_inner->errorText(); }
    qint64 rowsAffected() const override { return m_inner->rowsAffected(); }
    int rowCount() const override { return m_inner->rowCount(); }
    int columnCount() const override { return m_inner->columnCount(); }
    QString columnValue(int column) const override { return m_inner->columnValue(column); }
    QString columnName(int column) const override { return m_inner->columnName(column); }
    void setRow(int row) override { m_inner->setRow(row); }
    int nextRow() override { return m_inner->nextRow(); }
    void releaseResults() override { m_inner->releaseResults(); }
    qint64 nextKey(const QString& counterName) override { return m_inner->nextKey(counterName); }
    void beginTransaction() override { m_inner->beginTransaction(); }
    void commitTransaction() override { m_inner->commitTransaction(); }
    void rollbackTransaction() noexcept override { m_inner->rollbackTransaction(); }

private:
    std::shared_ptr<dm::DmSql> m_inner;
};

struct Figures {
    QStringList plans;
    double seconds = 0;
    double statementsPerDocument = 0;
    qint64 filed = 0;
    bool chainSound = false;
};

// A fresh library with `documents` documents of one matter and a folder of that matter; files them.
Figures FileInto(const QTemporaryDir& folder, int documents, bool sorted) {
    static int run = 0;
    const QString name = QStringLiteral("BENCH%1%2%3").arg(++run).arg(sorted ? 'S' : 'U').arg(documents);
    const QString file = folder.filePath(name.toLower() + QStringLiteral(".db"));
    dm::local::LibraryAdmin admin = dm::local::LibraryAdmin::CreateLibrary(file, 10, name);
    qint64 box = 0;
    admin.batch([&] {
        admin.addGroup(QStringLiteral("DOCS_SUPERVISORS"), QStringLiteral("Supervisors"), 255);
        admin.addPerson(QStringLiteral("BENCH"), QStringLiteral("Bench"), QStringLiteral("DOCS_SUPERVISORS"));
        admin.addClient(QStringLiteral("ACME"), QStringLiteral("Acme"));
        admin.addMatter(QStringLiteral("ACME"), QStringLiteral("0042"), QStringLiteral("Merger"));
        dm::local::FolderSpec spec;
        spec.name = QStringLiteral("Merger");
        spec.owner = QStringLiteral("BENCH");
        spec.clientId = QStringLiteral("ACME");
        spec.matterId = QStringLiteral("0042");
        box = admin.addFolder(spec);
        dm::local::DocumentSpec doc;
        doc.author = QStringLiteral("BENCH");
        doc.typeId = QStringLiteral("MEMO");
        doc.clientId = QStringLiteral("ACME");
        doc.matterId = QStringLiteral("0042");
        // Names in an order the folder's sort must really work at.
        for (int i = 0; i < documents; ++i) {
            doc.name = QStringLiteral("Memo %1").arg((i * 7919) % documents, 6, 10, QLatin1Char('0'));
            admin.addDocument(doc);
        }
    });

    const QString serverFile = folder.filePath(name + QStringLiteral(".ini"));
    {
        QFile out(serverFile);
        if (!out.open(QIODevice::WriteOnly))
            return {};
        QTextStream(&out) << "[Server]\nUser=BENCH\nLibraries=" << name << "\nCurrentLibrary=" << name
                          << "\n\n[Library." << name << "]\nDatabase=" << file << "\nEngine=10\n";
    }
    MemoryStore settings;
    SilentPrompter prompter;
    SystemClock clock;
    NoLauncher launcher;
    app::AppContext context(app::CommandLine{}, settings, prompter, clock, launcher);
    context.log().setBaseName(folder.filePath(name + QStringLiteral(".log")));
    dm::local::RegisterLocalBackend(context.factory(), serverFile);
    if (!context.connection().StartFusion())
        return {};
    auto counting = std::make_shared<CountingSql>(context.session().sql);
    context.session().sql = counting;
    RuleTable& rules = context.rules();
    rules.Clear();
    const int rule = rules.Append();
    FolderRules::SetDefaultRule(rules, rule, name);
    rules.setField(rule, RuleTable::kTemplate,
                   QStringLiteral("%MATTER.CLIENT_ID.CLIENT_ID% %\\% %MATTER.MATTER_ID%"));
    // The folder engine's own work: metadata inheritance on, security left to its own benchmark.
    rules.setField(rule, RuleTable::kSecurity, QString());
    rules.setField(rule, RuleTable::kInheritSecurity, QStringLiteral("0"));
    engine::FolderEngine& engine = context.folders();
    engine.LoadForeignColumns();

    QElapsedTimer timer;
    timer.start();
    const qint64 before = counting->statements;
    std::vector<qint32> candidates;
    {
        dm::SqlRows rows(context.gateway(), engine.AddDocsSQL(qint32(box), rule));
        for (bool more = rows.first(); more; more = rows.next())
            candidates.push_back(qint32(LeadingWhole(rows.value(1))));
    }
    Figures figures;
    for (const qint32 doc : candidates) {
        counting->recording = doc == candidates.back();
        if (engine.AddFolderItem(doc, qint32(box), QStringLiteral("P"), rule, sorted ? 1 : 0) &&
            !engine.ItemExisted())
            ++figures.filed;
    }
    figures.seconds = double(timer.nsecsElapsed()) / 1e9;
    figures.statementsPerDocument =
        double(counting->statements - before) / std::max<qint64>(1, figures.filed);
    // How the database answers each statement of the last document's filing.
    for (const QString& statement : counting->recorded) {
        figures.plans << statement;
        for (const auto& row : admin.database().query(QStringLiteral("EXPLAIN QUERY PLAN ") + statement).rows)
            figures.plans << QStringLiteral("      ") + row.back().toString();
    }
    const dm::ItemChain chain = dm::local::FolderChain::Read(admin.database(), box);
    figures.chainSound = chain.isSound() && qint64(chain.items().size()) == figures.filed;
    return figures;
}

void Report(const char* title, int small, int large, bool sorted, const QTemporaryDir& folder) {
    const Figures a = FileInto(folder, small, sorted);
    const Figures b = FileInto(folder, large, sorted);
    std::printf("%s\n", title);
    for (const auto& [count, f] : {std::pair{small, a}, std::pair{large, b}})
        std::printf("  %6d documents: %8.2f s, %7.3f ms per document, %5.1f statements per document, "
                    "%lld filed, chain %s\n",
                    count, f.seconds, 1000.0 * f.seconds / std::max(1, count), f.statementsPerDocument,
                    static_cast<long long>(f.filed), f.chainSound ? "sound" : "BROKEN");
    std::printf("  time ratio %.2f for %.0fx the documents\n", a.seconds > 0 ? b.seconds / a.seconds : 0.0,
                double(large) / small);
    if (!sorted) {
        std::printf("  statements filing the last of %d documents, with their query plans:\n", large);
        for (const QString& line : b.plans)
            std::printf("    %s\n", qPrintable(line));
    }
}

int Option(const QStringList& args, const QString& name, int fallback) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    QTemporaryDir folder;
    if (!folder.isValid())
        return 2;
    try {
        Report("Filing into one folder, sorting off", Option(args, QStringLiteral("--small"), 1000),
               Option(args, QStringLiteral("--large"), 10000), false, folder);
        Report("Filing into one folder, sorting on", Option(args, QStringLiteral("--sorted-small"), 1000),
               Option(args, QStringLiteral("--sorted-large"), 10000), true, folder);
    } catch (const Fault& fault) {
        std::fprintf(stderr, "%s\n", fault.what());
        return 1;
    }
    return 0;
}
