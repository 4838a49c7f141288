#include "app/ImportRun.h"

#include "app/ImportFileReader.h"
#include "common/FaultReport.h"
#include "common/Prompter.h"
#include "common/SqlText.h"
#include "common/StandardLines.h"
#include "common/Text.h"

#include <QFileInfo>
#include <QTextStream>
#include <algorithm>

namespace vantrelis::app {

namespace {

QString VerifyLibrary(const QString& library) {
    return QStringLiteral("(verify your current library ") + library + QLatin1Char(')');
}

QString RuleNotFound(const QString& setName, const QString& library) {
    return QStringLiteral("Error: Rules for import set ") + setName +
           QStringLiteral(" not found - cannot continue ") + VerifyLibrary(library);
}

// A library parameter that says yes; one that is missing or unreadable says no.
bool IsTrue(const QVariant& value) {
    if (!value.isValid())
        return false;
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed().toUpper();
    return text == QLatin1String("TRUE") || text == QLatin1String("Y") || LeadingWhole(text) != 0;
}

bool LiveTick(const RunView& view, int index) {
    const RunChoices live = view.runChoices();
    return index < live.libraries.size() && live.libraries.at(index).ticked;
}

// Paths still to walk in the ticked libraries after `index`, as the ticks stand now.
qint64 PathsAfter(const RunView& view, int index, qint64 pathCount) {
    const RunChoices live = view.runChoices();
    qint64 paths = 0;
    for (int i = index + 1; i < live.libraries.size(); ++i)
        paths += live.libraries.at(i).ticked ? pathCount : 0;
    return paths;
}

const QString kCheckOnlyLine = QStringLiteral(
    "Check only: nothing is created, linked, filed or secured in this run; the libraries are not changed");

} // namespace

ImportRun::ImportRun(AppContext& context, RunView& view, engine::FolderOperations& folders)
    : m_context(context), m_view(view), m_folders(folders, context.gateway(), context.log()),
      m_errorOutput([](const QString& line) { QTextStream(stderr) << line << Qt::endl; }),
      m_profileFill(context.gateway(), context.log()),
      // A library that another writer holds is left between two items, like a stop.
      m_filer(
          context, view, m_folders, [this] { return StopRequested() || LibraryHeld(); },
          [this] {
              m_progress.ItemDone();
              ShowRate();
          }),
      m_walk(context, m_folders, m_columns, m_filer, [this] { return StopRequested() || LibraryHeld(); }),
      m_report(m_lines, m_paths), m_journal(context.session(), context.log().clock()) {
    m_report.setFailureOutput([this](const QString& reason) { ReportFailed(reason); });
}

bool ImportRun::Unattended() const {
    return m_context.commandLine().go;
}

bool ImportRun::StopRequested() const {
    return m_stopped || m_view.stopRequested();
}

void ImportRun::Button_Go_Click(bool checkOnly) {
    Log& log = m_context.log();
    m_summary = RunSummary{};
    m_stopped = false;
    m_paths.clear();
    bool started = false;
    try {
        m_choices = m_view.runChoices();
        m_folders.setCheckOnly(checkOnly || m_context.commandLine().check);
        m_summary.checkOnly = m_folders.checkOnly();
        // A check reads the line's values too: the folders it plans are answered with them.
        m_fillFromLine = m_choices.fillFromLine || m_context.commandLine().profileFromLine;
        const QString setName = TrimBlanks(m_choices.importSet);
        m_journal.Begin(m_choices, setName, m_context.commandLine(), m_folders.checkOnly());
        if (!Checks(m_choices, setName)) {
            m_summary.stopped = true;
        } else {
            started = true;
            if (StatusView* status = log.statusView())
                status->setBusy(true);
            m_savedStatus = log.StatusLabel();
            m_savedLibrary = m_context.session().LibraryName();
            m_view.setGoEnabled(false);
            log.ShowStatus(QStringLiteral("Preparing import information for import set ") + setName +
                           QStringLiteral(" from library ") + m_savedLibrary);
            log.WriteLog(StandardLines::StepSeparator());
            if (m_folders.checkOnly()) {
                log.WriteLog(kCheckOnlyLine);
                log.WriteLog(StandardLines::StepSeparator());
            }
            for (RunCounter counter :
                 {RunCounter::Total, RunCounter::Processed, RunCounter::Added, RunCounter::Errors})
                m_view.setCounter(counter, 0);
            m_view.setRunState(RunState::Running);
            m_view.setRunInProgress(true);
            log.Yield();
            if (Prepare(m_choices, setName, FindRule(setName)))
                ProcessLibraries(m_choices, setName);
            else
                m_summary.stopped = true;
        }
    } catch (...) {
        log.WriteLog(StandardLines::StepSeparator());
        ReportCurrentFault(log);
        log.ShowStatus(QStringLiteral("Error: Unable to complete this process"));
        m_summary.stopped = true;
    }
    if (started)
        Finish();
    m_summary.stopped = m_summary.stopped || m_stopped;
    m_summary.paths = m_paths.size();
    m_summary.logFile = log.datedName();
    m_summary.logIncomplete = log.writeFailed();
    m_report.Close();
    if (m_summaryOutput)
        m_summaryOutput(m_summary.Line());
    // An unattended run ends the program also when a check stopped it: nobody is there to close it.
    const CommandLine& commandLine = m_context.commandLine();
    if ((commandLine.exitWhenDone && (started || commandLine.go)) || m_stopped)
        m_view.endProgram(m_summary.ExitStatus());
}

bool ImportRun::OpenReport() {
    const QString fileName = m_context.commandLine().reportFile;
    if (fileName.isEmpty() || m_report.Open(fileName))
        return true;
    const QString text = QStringLiteral("Error: Report file ") + fileName +
                         QStringLiteral(" cannot be written (") + m_report.error() +
                         QStringLiteral(") - cannot continue");
    return CheckFailed(text, text);
}

void ImportRun::ReportFailed(const QString& reason) {
    // The library work goes on; the run ends with errors and says the report is incomplete.
    m_summary.reportIncomplete = true;
    const QString text = QStringLiteral("Error: Report file ") + m_context.commandLine().reportFile +
                         QStringLiteral(" could not be written (") + reason +
                         QStringLiteral(") - the report is incomplete");
    m_context.log().WriteLog(text);
    if (m_errorOutput)
        m_errorOutput(text);
}

bool ImportRun::CheckFailed(const QString& logText, const QString& boxText) {
    Log& log = m_context.log();
    log.WriteLog(logText);
    log.WriteLog(StandardLines::SectionEnd());
    if (!Unattended())
        log.ShowMessage(boxText, StyleExclamation);
    return false;
}

bool ImportRun::Checks(const RunChoices& choices, const QString& setName) {
    const QString library = m_context.session().LibraryName();
    int ticked = 0;
    for (const LibraryChoice& choice : choices.libraries)
        ticked += choice.ticked ? 1 : 0;
    if (ticked == 0) {
        const QString text = QStringLiteral("No libraries were selected - cannot continue");
        return CheckFailed(QStringLiteral("Warning: ") + text, text);
    }
    QString error;
    if (m_context.importSets().count() == 0 || m_context.rules().count() == 0)
        error = QStringLiteral("Error: No import sets and/or templates are defined - cannot continue ") +
                VerifyLibrary(library);
    else if (choices.importFile.isEmpty())
        error = QStringLiteral("Error: Import file not specified - cannot continue");
    else if (!QFileInfo(choices.importFile).isFile())
        error = QStringLiteral("Error: Import file ") + choices.importFile +
                QStringLiteral(" not found - cannot continue");
    else if (setName.isEmpty())
        error = QStringLiteral("Error: No import set selected - cannot continue ") + VerifyLibrary(library);
    else if (FindRule(setName).row == 0)
        error = RuleNotFound(setName, library);
    if (!error.isEmpty())
        return CheckFailed(error, error);
    return OpenReport();
}

ImportRun::Rule ImportRun::FindRule(const QString& setName) const {
    Rule rule;
    const RuleTable& rules = m_context.rules();
    rule.row = rules.Find(m_context.session().LibraryName(), setName);
    if (rule.row != 0) {
        rule.templateText = rules.field(rule.row, RuleTable::kTemplate);
        rule.security = rules.field(rule.row, RuleTable::kSecurity);
        rule.form = rules.field(rule.row, RuleTable::kForm);
    }
    return rule;
}

bool ImportRun::Prepare(const RunChoices& choices, const QString& setName, const Rule& rule) {
    Log& log = m_context.log();
    const QString library = m_context.session().LibraryName();
    m_columns = ColumnTable::Load(m_context.importSets(), library, setName);
    if (m_columns.count() == 0) {
        const QString text = QStringLiteral("Error: Definitions for ") + setName +
                             QStringLiteral(" could not be processed ") + VerifyLibrary(library);
        log.WriteLog(text);
        if (!Unattended())
            log.ShowMessage(text, StyleExclamation);
        return false;
    }
    for (const QString& line :
         m_columns.DefinitionLines(setName, rule.templateText, rule.security, rule.form))
        log.WriteLog(line);

    ImportFileReader reader(log, m_view);
    m_lines = ImportLines{};
    m_lines.keepValues = m_fillFromLine;
    m_paths = reader.Read(choices.importFile, m_columns, rule.templateText, library,
                          m_report.isOpen() || m_fillFromLine ? &m_lines : nullptr);
    m_summary.errors += reader.errorLines();
    if (m_paths.isEmpty()) {
        const QString text =
            QStringLiteral("Error: Import File ") + choices.importFile +
            QStringLiteral(" could not be processed - no valid folder information identified.");
        log.WriteLog(text);
        log.WriteLog(StandardLines::SectionEnd());
        if (!Unattended())
            log.ShowMessage(text, StyleExclamation);
        return false;
    }
    int ticked = 0;
    for (const LibraryChoice& choice : choices.libraries)
        ticked += choice.ticked ? 1 : 0;
    log.WriteLog(QStringLiteral("Processing ") + FormatWhole(m_paths.size()) +
                 QStringLiteral(" folders to ") + FormatWhole(ticked) + QStringLiteral(" libraries"));
    log.WriteLog(StandardLines::StepSeparator());
    log.Yield();
    m_view.setCounter(RunCounter::Total, m_paths.size());
    m_view.setCounter(RunCounter::Processed, 0);
    log.Yield();
    return true;
}

void ImportRun::ProcessLibraries(const RunChoices& choices, const QString& setName) {
    Log& log = m_context.log();
    m_progress.Start();
    m_runTimer.start();
    for (int index = 0; index < choices.libraries.size(); ++index) {
        // The ticks are read as they stand when the run reaches the library: one unticked during
        // the run is skipped.
        LibraryChoice choice = choices.libraries.at(index);
        choice.ticked = LiveTick(m_view, index);
        if (choice.ticked)
            m_report.LibraryStart(choice.name);
        LibraryEnd end;
        const bool goOn = !choice.ticked || ProcessLibrary(index, choice.name, setName, end);
        if (choice.ticked)
            m_report.LibraryEnd(end.error, end.failed);
        if (!goOn) {
            log.WriteLog(StandardLines::StepSeparator());
            log.WriteLog(QStringLiteral("Warning: The import run was stopped before its end"));
            return;
        }
        log.WriteLog(StandardLines::StepSeparator());
    }
    log.WriteLog(QStringLiteral("Finished processing."));
    if (m_folders.checkOnly())
        log.WriteLog(kCheckOnlyLine);
    if (!Unattended())
        log.ShowMessage(QStringLiteral("Finished processing."), StyleInformation);
}

bool ImportRun::ProcessLibrary(int index, const QString& caption, const QString& setName, LibraryEnd& end) {
    Log& log = m_context.log();
    const qint64 pathCount = m_paths.size();
    m_view.setCounter(RunCounter::Total, pathCount);
    for (RunCounter counter : {RunCounter::Processed, RunCounter::Added, RunCounter::Errors})
        m_view.setCounter(counter, 0);
    m_view.showProgress(0, pathCount);
    m_errorCount = 0;
    m_addedCount = 0;

    log.ShowStatus(QStringLiteral("Processing library ") + caption);
    log.WriteLog(StandardLines::SectionEnd());
    if (!m_context.connection().ConnectLibrary(caption)) {
        // A library that another writer holds stays ticked: the next run does its work.
        if (m_context.connection().lastFailurePassing()) {
            GiveUpLibrary(caption.trimmed().toUpper(), 1, end);
            return true;
        }
        end.error = QStringLiteral("Error: Unable to connect to library ") + caption;
        log.ShowStatus(end.error);
        m_view.untickLibrary(index);
        ++m_summary.errors;
        return true;
    }
    m_libraryName = m_context.session().LibraryName();
    m_walk.setLibraryName(m_libraryName);
    bool rightsUnread = false;
    end.error = HasFolderRights(rightsUnread);
    if (rightsUnread) {
        GiveUpLibrary(m_libraryName, 1, end);
        return true;
    }
    if (!end.error.isEmpty()) {
        m_view.untickLibrary(index);
        ++m_summary.errors;
        return true;
    }
    // The rule table was loaded again with this library: its own rule for the set serves here.
    const Rule rule = FindRule(setName);
    if (rule.row == 0) {
        end.error = RuleNotFound(setName, m_libraryName);
        log.ShowStatus(end.error);
        log.WriteLog(StandardLines::SectionEnd());
        m_view.untickLibrary(index);
        ++m_summary.errors;
        return true;
    }
    LoadForeignColumns();
    if (m_fillFromLine)
        m_profileFill.Prepare(rule.templateText);

    log.WriteLog(QStringLiteral("Processing ") + FormatWhole(pathCount) +
                 QStringLiteral(" import rows into library ") + m_libraryName);
    log.WriteLog(StandardLines::StepSeparator());
    ++m_summary.libraries;
    const qint64 pathsAfter = PathsAfter(m_view, index, pathCount);
    // This library's share of the run, for its journal row.
    const RunSummary before = m_summary;
    qint64 walked = 0;
    const auto journalEnd = [&](const QString& status) {
        m_journal.LibraryEnd(walked, m_summary.folders - before.folders,
                             m_summary.documents - before.documents, m_summary.errors - before.errors,
                             status);
    };
    try {
        m_journal.LibraryStart();
    } catch (...) {
        // The run's journal row is its first write here: a library another writer holds fails alone
        // and stays ticked, as when its first path finds it held.
        if (!LibraryHeld())
            throw;
        GiveUpLibrary(m_libraryName, 1, end);
        return true;
    }
    try {
        for (qint64 j = 1; j <= pathCount; ++j) {
            if (StopRequested())
                break;
            const QString& path = m_paths.at(j - 1);
            const PathWalk::LineValues lineValues = [&](int level) {
                if (!m_fillFromLine || j > m_lines.pathValues.size())
                    return engine::LineColumns{};
                return m_profileFill.Columns(level, m_lines.pathValues.at(j - 1), m_lines.pathLines.at(j - 1),
                                             m_choices.importFile);
            };
            PathOutcome outcome;
            walked = j;
            try {
                m_walk.Walk(path, rule.row, rule.form, lineValues, outcome);
            } catch (...) {
                // What the path did before the fault is in the counts.
                Count(outcome);
                throw;
            }
            const bool held = LibraryHeld();
            if (held) {
                // The path met a lock that was not released in time: whatever it did, its line is to be
                // done again, and why is the lock.
                outcome.kind = PathOutcome::Kind::Failed;
                outcome.firstError = HeldReason(m_libraryName);
            }
            Count(outcome);
            m_report.PathEnd(j, outcome, m_folders.IsPlanned(outcome.folder), m_folders.checkOnly(),
                             StopRequested());
            m_progress.PathDone(pathCount - j + pathsAfter);
            ShowRate();
            log.ShowStatus(StandardLines::StepSeparator());
            m_view.setCounter(RunCounter::Processed, j);
            m_view.setCounter(RunCounter::Errors, m_errorCount);
            m_view.setCounter(RunCounter::Added, m_addedCount);
            m_view.showProgress(j, pathCount);
            log.SetStatusLabel(QStringLiteral("Finished"));
            if (held) {
                GiveUpLibrary(m_libraryName, j + 1, end);
                break;
            }
        }
    } catch (...) {
        journalEnd(QStringLiteral("failed"));
        throw;
    }
    journalEnd(StopRequested() ? QStringLiteral("stopped")
               : end.failed    ? QStringLiteral("held")
                               : QStringLiteral("finished"));
    m_view.showRate(QString());
    if (StopRequested()) {
        m_stopped = true;
        return false;
    }
    return true;
}

void ImportRun::Count(const PathOutcome& outcome) {
    m_summary.folders += outcome.foldersCreated;
    m_summary.documents += outcome.documentsFiled;
    m_summary.errors += outcome.errors();
    m_errorCount += outcome.kind == PathOutcome::Kind::Failed ? 1 : 0;
    m_addedCount += outcome.kind == PathOutcome::Kind::Created ? 1 : 0;
}

void ImportRun::ShowRate() {
    const QString text = m_progress.Rate(m_runTimer.elapsed());
    if (!text.isNull())
        m_view.showRate(text);
}

bool ImportRun::LibraryHeld() const {
    const auto& library = m_context.session().currentLibrary;
    return library && library->heldByAnotherWriter();
}

QString ImportRun::HeldReason(const QString& name) {
    return QStringLiteral("Error: Library ") + name +
           QStringLiteral(" is held by another writer and the wait for it ran out");
}

void ImportRun::GiveUpLibrary(const QString& name, qint64 firstPath, LibraryEnd& end) {
    const qint64 remaining = std::max<qint64>(0, m_paths.size() - firstPath + 1);
    end.error = HeldReason(name);
    end.failed = true;
    Log& log = m_context.log();
    log.ShowStatus(end.error + QStringLiteral(" - its remaining ") + FormatWhole(remaining) +
                   QStringLiteral(" paths are not processed and count as errors (a rerun completes them)"));
    log.WriteLog(StandardLines::SectionEnd());
    m_summary.errors += remaining;
    m_errorCount += remaining;
    m_view.setCounter(RunCounter::Errors, m_errorCount);
}

QString ImportRun::HasFolderRights(bool& passing) {
    Log& log = m_context.log();
    passing = false;
    const auto& library = m_context.session().currentLibrary;
    bool allowed = false;
    QString userId;
    try {
        if (library) {
            userId = library->userName();
            const std::shared_ptr<dm::DmParameters> parameters = library->parameters();
            allowed = parameters && IsTrue(parameters->value(QStringLiteral("User.ManageRootFolders"))) &&
                      IsTrue(parameters->value(QStringLiteral("User.CreateFolder")));
        }
    } catch (...) {
        allowed = false;
    }
    if (allowed)
        return QString();
    // Parameters that another writer's lock kept from being read say nothing about the rights.
    if (LibraryHeld()) {
        passing = true;
        return QString();
    }
    const QString error = QStringLiteral("Error: ") + userId +
                          QStringLiteral(" does not have rights to manage folders in library ") +
                          m_libraryName;
    log.ShowStatus(error);
    log.WriteLog(StandardLines::SectionEnd());
    return error;
}

void ImportRun::LoadForeignColumns() {
    for (const engine::ForeignColumn& column : m_folders.foreignColumns())
        if (column.libraryName == m_libraryName)
            return;
    m_folders.LoadForeignColumns();
}

void ImportRun::Finish() noexcept {
    Log& log = m_context.log();
    log.WriteLog(StandardLines::SectionEnd());
    try {
        if (!m_context.connection().ConnectLibrary(m_savedLibrary))
            log.ShowStatus(QStringLiteral("Error: Unable to connect to library ") + m_savedLibrary);
    } catch (...) {
        log.ShowStatus(QStringLiteral("Error: Unable to connect to library ") + m_savedLibrary);
    }
    try {
        m_view.setRunState(RunState::Idle);
    } catch (...) {
    }
    try {
        m_view.setRunInProgress(false);
    } catch (...) {
    }
    try {
        m_view.setGoEnabled(true);
    } catch (...) {
    }
    try {
        m_view.showRate(QString());
        if (StatusView* status = log.statusView())
            status->setBusy(false);
    } catch (...) {
    }
    log.SetStatusLabel(m_savedStatus);
    // The whole run is in the file by the time the window is idle again.
    log.Flush();
    log.Yield();
}

} // namespace vantrelis::app
