// Files documents into one folder the way an import run does (the folder rule's document query,
// then AddFolderItem for each document) on a local library, and prints what it costs.
//   vantrelis-folder-bench [--sizes N,N,...] [--sorted-sizes N,N,...]
// Defaults: 1000, 10000 and 50000 documents, each into a folder of its own in one library that holds
// every set, with sorting off and then on. Sorted or not, the cost per document must not grow with
// the folder: the last tenth of a filing should cost about what its first tenth does, and the ratio
// of two times should stay near the ratio of their counts.
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
    // Milliseconds per document over the first and the last tenth of the filings: what one document
    // costs in a nearly empty folder and in a nearly full one, whatever the machine's load does to
    // the totals.
    double firstTenthMs = 0;
    double lastTenthMs = 0;
    double statementsPerDocument = 0;
    qint64 filed = 0;
    bool chainSound = false;
};

// One library holding, for each size, that many documents of a matter of their own, with a folder
// for each matter, so that every filing runs against a library of the same size.
class BenchLibrary {
public:
    BenchLibrary(const QTemporaryDir& folder, const QList<int>& sizes, bool sorted)
        : m_name(sorted ? QStringLiteral("BENCHSORTED") : QStringLiteral("BENCH")),
          m_admin(dm::local::LibraryAdmin::CreateLibrary(
              folder.filePath(m_name.toLower() + QStringLiteral(".db")), 10, m_name)),
          m_context(app::CommandLine{}, m_settings, m_prompter, m_clock, m_launcher), m_sorted(sorted) {
        m_admin.batch([&] {
            m_admin.addGroup(QStringLiteral("DOCS_SUPERVISORS"), QStringLiteral("Supervisors"), 255);
            m_admin.addPerson(QStringLiteral("BENCH"), QStringLiteral("Bench"),
                              QStringLiteral("DOCS_SUPERVISORS"));
            m_admin.addClient(QStringLiteral("ACME"), QStringLiteral("Acme"));
            for (int i = 0; i < sizes.size(); ++i)
                m_boxes.push_back(
                    AddMatter(QStringLiteral("%1").arg(42 + i, 4, 10, QLatin1Char('0')), sizes[i]));
        });
        const QString serverFile = folder.filePath(m_name + QStringLiteral(".ini"));
        QFile out(serverFile);
        if (out.open(QIODevice::WriteOnly))
            QTextStream(&out) << "[Server]\nUser=BENCH\nLibraries=" << m_name << "\nCurrentLibrary=" << m_name
                              << "\n\n[Library." << m_name << "]\nDatabase=" << m_admin.database().file()
                              << "\nEngine=10\n";
        out.close();
        m_context.log().setBaseName(folder.filePath(m_name + QStringLiteral(".log")));
        dm::local::RegisterLocalBackend(m_context.factory(), serverFile);
        if (!m_context.connection().StartFusion())
            throw Fault(1, QStringLiteral("vantrelis-folder-bench"), QStringLiteral("The login failed"));
        m_counting = std::make_shared<CountingSql>(m_context.session().sql);
        m_context.session().sql = m_counting;
        RuleTable& rules = m_context.rules();
        rules.Clear();
        m_rule = rules.Append();
        FolderRules::SetDefaultRule(rules, m_rule, m_name);
        rules.setField(m_rule, RuleTable::kTemplate,
                       QStringLiteral("%MATTER.CLIENT_ID.CLIENT_ID% %\\% %MATTER.MATTER_ID%"));
        // The folder engine's own work: metadata inheritance on, security left to its own benchmark.
        rules.setField(m_rule, RuleTable::kSecurity, QString());
        rules.setField(m_rule, RuleTable::kInheritSecurity, QStringLiteral("0"));
        m_context.folders().LoadForeignColumns();
    }

    Figures File(int index) { return FileInto(m_boxes.at(size_t(index))); }

private:
    qint64 AddMatter(const QString& matterId, int documents) {
        m_admin.addMatter(QStringLiteral("ACME"), matterId, QStringLiteral("Matter ") + matterId);
        dm::local::FolderSpec spec;
        spec.name = QStringLiteral("Matter ") + matterId;
        spec.owner = QStringLiteral("BENCH");
        spec.clientId = QStringLiteral("ACME");
        spec.matterId = matterId;
        const qint64 box = m_admin.addFolder(spec);
        dm::local::DocumentSpec doc;
        doc.author = QStringLiteral("BENCH");
        doc.typeId = QStringLiteral("MEMO");
        doc.clientId = QStringLiteral("ACME");
        doc.matterId = matterId;
        // Names in an order the folder's sort must really work at.
        for (int i = 0; i < documents; ++i) {
            doc.name = QStringLiteral("Memo %1").arg((i * 7919) % documents, 6, 10, QLatin1Char('0'));
            m_admin.addDocument(doc);
        }
        return box;
    }

    // Files the documents of the folder's matter into it, as the import run does.
    Figures FileInto(qint64 box) {
        engine::FolderEngine& engine = m_context.folders();
        QElapsedTimer timer;
        timer.start();
        const qint64 before = m_counting->statements;
        std::vector<qint32> candidates;
        {
            dm::SqlRows rows(m_context.gateway(), engine.AddDocsSQL(qint32(box), m_rule));
            for (bool more = rows.first(); more; more = rows.next())
                candidates.push_back(qint32(LeadingWhole(rows.value(1))));
        }
        Figures figures;
        const size_t tenth = std::max<size_t>(1, candidates.size() / 10);
        qint64 firstTenthEnd = 0;
        qint64 lastTenthStart = 0;
        m_counting->recorded.clear();
        for (size_t i = 0; i < candidates.size(); ++i) {
            if (i == tenth)
                firstTenthEnd = timer.nsecsElapsed();
            if (i == candidates.size() - tenth)
                lastTenthStart = timer.nsecsElapsed();
            m_counting->recording = i + 1 == candidates.size();
            if (engine.AddFolderItem(candidates[i], qint32(box), QStringLiteral("P"), m_rule,
                                     m_sorted ? 1 : 0) &&
                !engine.ItemExisted())
                ++figures.filed;
        }
        m_counting->recording = false;
        figures.seconds = double(timer.nsecsElapsed()) / 1e9;
        figures.firstTenthMs = double(firstTenthEnd) / 1e6 / double(tenth);
        figures.lastTenthMs = (figures.seconds * 1e9 - double(lastTenthStart)) / 1e6 / double(tenth);
        figures.statementsPerDocument =
            double(m_counting->statements - before) / std::max<qint64>(1, figures.filed);
        // How the database answers each statement of the last document's filing.
        for (const QString& statement : m_counting->recorded) {
            figures.plans << statement;
            for (const auto& row :
                 m_admin.database().query(QStringLiteral("EXPLAIN QUERY PLAN ") + statement).rows)
                figures.plans << QStringLiteral("      ") + row.back().toString();
        }
        const dm::ItemChain chain = dm::local::FolderChain::Read(m_admin.database(), box);
        figures.chainSound = chain.isSound() && qint64(chain.items().size()) == figures.filed;
        return figures;
    }

    QString m_name;
    dm::local::LibraryAdmin m_admin;
    MemoryStore m_settings;
    SilentPrompter m_prompter;
    SystemClock m_clock;
    NoLauncher m_launcher;
    app::AppContext m_context;
    bool m_sorted;
    std::shared_ptr<CountingSql> m_counting;
    std::vector<qint64> m_boxes;
    int m_rule = 0;
};

void Report(const char* title, const QList<int>& sizes, bool sorted, const QTemporaryDir& folder) {
    BenchLibrary library(folder, sizes, sorted);
    std::vector<Figures> figures;
    for (int i = 0; i < sizes.size(); ++i)
        figures.push_back(library.File(i));
    std::printf("%s\n", title);
    for (int i = 0; i < sizes.size(); ++i) {
        const Figures& f = figures[size_t(i)];
        std::printf("  %6d documents: %8.2f s, %7.3f ms per document (first tenth %.3f, last tenth %.3f, "
                    "last/first %.2f), %5.1f statements per document, %lld filed, chain %s\n",
                    sizes[i], f.seconds, 1000.0 * f.seconds / std::max(1, sizes[i]), f.firstTenthMs,
                    f.lastTenthMs, f.firstTenthMs > 0 ? f.lastTenthMs / f.firstTenthMs : 0.0,
                    f.statementsPerDocument, static_cast<long long>(f.filed),
                    f.chainSound ? "sound" : "BROKEN");
    }
    for (int i = 1; i < sizes.size(); ++i)
        std::printf("  time ratio %.2f for %.0fx the documents (%d to %d)\n",
                    figures[0].seconds > 0 ? figures[size_t(i)].seconds / figures[0].seconds : 0.0,
                    double(sizes[i]) / sizes[0], sizes[0], sizes[i]);
    if (!sizes.isEmpty()) {
        std::printf("  statements filing the last of %d documents, with their query plans:\n", sizes.last());
        for (const QString& line : figures.back().plans)
            std::printf("    %s\n", qPrintable(line));
    }
}

QList<int> Sizes(const QStringList& args, const QString& name, const QList<int>& fallback) {
    const qsizetype at = args.indexOf(name);
    if (at < 0 || at + 1 >= args.size())
        return fallback;
    QList<int> sizes;
    for (const QString& size : args.at(at + 1).split(QLatin1Char(','), Qt::SkipEmptyParts))
        sizes << std::max(1, size.toInt());
    return sizes;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    QTemporaryDir folder;
    if (!folder.isValid())
        return 2;
    try {
        const QList<int> sizes{1000, 10000, 50000};
        Report("Filing into one folder, sorting off", Sizes(args, QStringLiteral("--sizes"), sizes), false,
               folder);
        Report("Filing into one folder, sorting on", Sizes(args, QStringLiteral("--sorted-sizes"), sizes),
               true, folder);
    } catch (const Fault& fault) {
        std::fprintf(stderr, "%s\n", fault.what());
        return 1;
    }
    return 0;
}
