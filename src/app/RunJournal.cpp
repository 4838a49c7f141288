#include "app/RunJournal.h"

#include "app/AppContext.h"
#include "app/CommandLine.h"
#include "common/Text.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
#include <QSysInfo>
#include <algorithm>

namespace vantrelis::app {

namespace {

const char kBase32[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";

QString IsoTime(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

} // namespace

RunJournal::RunJournal(dm::DmSession& session, const Clock& clock) : m_session(session), m_clock(clock) {}

RunJournal::~RunJournal() {
    LibraryEnd(0, 0, 0, 0, QStringLiteral("failed"));
}

QString RunJournal::NewRunId(const QDateTime& now) {
    QString id = now.toString(QStringLiteral("yyyyMMdd-HHmmss-"));
    // Four random characters: two runs started in the same second (a cron entry started twice) get
    // the same id about once in a million; with two it was once in 1,024, and the second run's row
    // was refused by the unique index, which stopped that run.
    for (int i = 0; i < 4; ++i)
        id += QLatin1Char(kBase32[QRandomGenerator::global()->bounded(32)]);
    return id;
}

QString RunJournal::Options(const RunChoices& choices, const CommandLine& commandLine) {
    QStringList options;
    if (choices.addNewDocs)
        options += QStringLiteral("/ADNF");
    if (choices.addExistingDocs)
        options += QStringLiteral("/ADEF");
    if (choices.fillFromLine || commandLine.profileFromLine)
        options += QStringLiteral("--profile-from-line");
    if (commandLine.unattended())
        options += QStringLiteral("/G /X");
    if (!commandLine.reportFile.isEmpty())
        options += QStringLiteral("--report");
    return options.join(QLatin1Char(' '));
}

QString RunJournal::FileChecksum(const QString& file) {
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&input))
        return QString();
    return QString::fromLatin1(hash.result().toHex());
}

void RunJournal::Begin(const RunChoices& choices, const QString& setName, const CommandLine& commandLine,
                       bool checkOnly) {
    LibraryEnd(0, 0, 0, 0, QStringLiteral("failed"));
    m_checkOnly = checkOnly;
    m_record = dm::RunRecord{};
    if (checkOnly)
        return;
    m_record.runId = NewRunId(m_clock.now());
    m_record.machine = QSysInfo::machineHostName();
    m_record.importFile = choices.importFile;
    m_record.importSet = setName;
    m_record.options = Options(choices, commandLine);
    m_record.fileChecksum = FileChecksum(choices.importFile);
}

void RunJournal::LibraryStart() {
    LibraryEnd(0, 0, 0, 0, QStringLiteral("failed"));
    if (m_checkOnly || !m_session.currentLibrary)
        return;
    std::shared_ptr<dm::DmRunJournal> journal = m_session.currentLibrary->runJournal();
    if (!journal)
        return;
    dm::RunRecord run = m_record;
    run.started = IsoTime(m_clock.now());
    run.user = m_session.currentLibrary->userName();
    journal->startRun(run);
    m_journal = std::move(journal);
    m_session.journal = m_journal;
}

void RunJournal::LibraryEnd(qint64 paths, qint64 folders, qint64 documents, qint64 errors,
                            const QString& status) noexcept {
    if (!m_journal)
        return;
    const std::shared_ptr<dm::DmRunJournal> journal = std::move(m_journal);
    m_journal.reset();
    if (m_session.journal == journal)
        m_session.journal.reset();
    try {
        dm::RunRecord run = m_record;
        run.ended = IsoTime(m_clock.now());
        run.paths = paths;
        run.foldersAdded = folders;
        run.documentsFiled = documents;
        run.errors = errors;
        run.status = status;
        journal->finishRun(run);
    } catch (...) {
        // The row stays "running": the changes under it are journalled all the same.
    }
}

QString RunLine(const QString& libraryName, const dm::RunRecord& run) {
    return run.runId + QLatin1Char(' ') + libraryName + QLatin1Char(' ') + run.started + QLatin1Char(' ') +
           run.user + QStringLiteral(" file ") + run.importFile + QStringLiteral(" set ") + run.importSet +
           QStringLiteral(": ") + FormatWhole(run.paths) + QStringLiteral(" paths, ") +
           FormatWhole(run.foldersAdded) + QStringLiteral(" folders added, ") +
           FormatWhole(run.documentsFiled) + QStringLiteral(" documents filed, ") + FormatWhole(run.errors) +
           QStringLiteral(" errors (") + run.status + QLatin1Char(')');
}

QString NoJournalLine(const QString& libraryName) {
    return libraryName +
           QStringLiteral(": the run journal is not available in this library (add it with vantrelis-dm "
                          "upgrade)");
}

QStringList JournalLibraries(const dm::DmSession& session, const RunChoices& choices) {
    QStringList names;
    if (const QString current = session.LibraryName(); !current.isEmpty())
        names += current.toUpper();
    for (const LibraryChoice& choice : choices.libraries)
        if (choice.ticked && !names.contains(choice.name.trimmed().toUpper()))
            names += choice.name.trimmed().toUpper();
    return names;
}

QString IsoTimeText(const QDateTime& time) {
    return IsoTime(time);
}

RunListing CollectRuns(AppContext& context, const RunChoices& choices) {
    dm::DmSession& session = context.session();
    const QString current = session.LibraryName();
    const QStringList names = JournalLibraries(session, choices);

    RunListing listing;
    std::vector<ListedRun>& listed = listing.runs;
    QStringList& without = listing.without;
    for (const QString& name : names) {
        try {
            if (!context.connection().ConnectLibrary(name) || !session.currentLibrary) {
                without += name + QStringLiteral(": the library could not be opened");
                continue;
            }
            const std::shared_ptr<dm::DmRunJournal> journal = session.currentLibrary->runJournal();
            if (!journal) {
                without += NoJournalLine(name);
                continue;
            }
            for (dm::RunRecord& run : journal->runs())
                listed.push_back({name, std::move(run)});
        } catch (...) {
            without += name + QStringLiteral(": the library could not be opened");
        }
    }
    if (!current.isEmpty()) {
        try {
            context.connection().ConnectLibrary(current);
        } catch (...) {
        }
    }
    // Newest first across the libraries (a run's id begins with its start); the same run in two
    // libraries stays together, in the libraries' order.
    std::stable_sort(listed.begin(), listed.end(),
                     [](const ListedRun& a, const ListedRun& b) { return a.run.runId > b.run.runId; });
    return listing;
}

QStringList ListRuns(AppContext& context, const RunChoices& choices) {
    const RunListing listing = CollectRuns(context, choices);
    QStringList lines;
    for (const ListedRun& entry : listing.runs)
        lines += RunLine(entry.library, entry.run);
    return lines + listing.without;
}

} // namespace vantrelis::app
