#include "app/RunUndoing.h"

#include "app/AppContext.h"
#include "app/LineReport.h"
#include "app/RunJournal.h"
#include "common/FaultReport.h"
#include "common/StandardLines.h"
#include "common/Text.h"
#include "dm/LibraryDamaged.h"

#include <QDateTime>
#include <QSysInfo>

namespace vantrelis::app {

namespace {

QString Plural(qint64 count, const char* one, const char* many) {
    return FormatWhole(count) + QLatin1Char(' ') + QString::fromLatin1(count == 1 ? one : many);
}

QString StepText(const engine::UndoStep& step) {
    const engine::JournalChange& change = step.change;
    const QString doc = FormatWhole(change.docNumber);
    if (change.kind == QLatin1String("FOLDER"))
        return QStringLiteral("folder #") + doc + QStringLiteral(" created");
    if (change.kind == QLatin1String("ITEM"))
        return QStringLiteral("document #") + doc + QStringLiteral(" linked into folder #") +
               FormatWhole(change.parent);
    if (change.kind == QLatin1String("TRUSTEES"))
        return QStringLiteral("trustees of document #") + doc + QStringLiteral(" replaced");
    if (change.kind == QLatin1String("PROFILE"))
        return QStringLiteral("profile of document #") + doc + QStringLiteral(" changed");
    if (change.kind == QLatin1String("CHAIN"))
        return QStringLiteral("items of folder #") + doc + QStringLiteral(" sorted");
    return change.kind + QStringLiteral(" #") + doc;
}

void Add(engine::UndoCounts& total, const engine::UndoCounts& counts) {
    total.itemsUnlinked += counts.itemsUnlinked;
    total.foldersRemoved += counts.foldersRemoved;
    total.trusteesRestored += counts.trusteesRestored;
    total.profilesRestored += counts.profilesRestored;
    total.chainsRestored += counts.chainsRestored;
    total.kept += counts.kept;
    total.failed += counts.failed;
    total.alreadyDone += counts.alreadyDone;
}

} // namespace

QString UndoSummary(const QString& runId, bool check, const UndoOutcome& outcome) {
    const engine::UndoCounts& counts = outcome.counts;
    QString line = (check ? QStringLiteral("Check of the undo of run ") : QStringLiteral("Undo of run ")) +
                   runId + QStringLiteral(" in ") + Plural(outcome.libraries, "library", "libraries") +
                   QStringLiteral(": ");
    if (check)
        line += FormatWhole(outcome.wouldUndo) + QStringLiteral(" changes would be taken back, ");
    else
        line += Plural(counts.itemsUnlinked, "item unlinked", "items unlinked") + QStringLiteral(", ") +
                Plural(counts.foldersRemoved, "folder removed", "folders removed") + QStringLiteral(", ") +
                Plural(counts.trusteesRestored, "trustee list restored", "trustee lists restored") +
                QStringLiteral(", ") +
                Plural(counts.profilesRestored, "profile restored", "profiles restored") +
                QStringLiteral(", ") +
                Plural(counts.chainsRestored, "folder order restored", "folder orders restored") +
                QStringLiteral(", ");
    line += FormatWhole(counts.kept) + QStringLiteral(" kept, ") + FormatWhole(counts.failed) +
            QStringLiteral(" failed");
    if (counts.alreadyDone > 0)
        line +=
            QStringLiteral(", ") + FormatWhole(counts.alreadyDone) + QStringLiteral(" gone through before");
    if (outcome.stopped)
        line += QStringLiteral(" (stopped)");
    return line;
}

QStringList UndoPlan(const UndoOutcome& checked) {
    const engine::UndoCounts& would = checked.would;
    if (would.total() == 0 && checked.counts.kept == 0)
        return {};
    QStringList lines;
    lines += QStringLiteral("In ") + Plural(checked.libraries, "library", "libraries") + QLatin1Char(':');
    lines += Plural(would.foldersRemoved, "folder to remove", "folders to remove");
    lines += Plural(would.itemsUnlinked, "item to unlink", "items to unlink");
    lines += Plural(would.trusteesRestored, "trustee list to restore", "trustee lists to restore");
    lines += Plural(would.chainsRestored, "folder order to restore", "folder orders to restore");
    lines += Plural(would.profilesRestored, "profile to restore", "profiles to restore");
    if (checked.counts.kept > 0)
        lines += Plural(checked.counts.kept, "change kept (changed since the run)",
                        "changes kept (changed since the run)");
    return lines;
}

UndoOutcome UndoRun(AppContext& context, const RunChoices& choices, const UndoRequest& request) {
    Log& log = context.log();
    dm::DmSession& session = context.session();
    const QString current = session.LibraryName();
    const auto tell = [&](const QString& line) {
        if (request.output)
            request.output(line);
    };
    UndoOutcome outcome;
    LineReport report;
    if (!request.reportFile.isEmpty() && !report.Open(request.reportFile)) {
        outcome.problems += report.error();
        tell(report.error());
    }
    log.WriteLog(StandardLines::SectionEnd());
    log.WriteLog(
        (request.check ? QStringLiteral("Checking the undo of run ") : QStringLiteral("Undoing run ")) +
        request.runId);
    const QString undoId = request.check ? QString() : RunJournal::NewRunId(QDateTime::currentDateTime());
    for (const QString& name : JournalLibraries(session, choices)) {
        if (outcome.stopped)
            break;
        try {
            if (!context.connection().ConnectLibrary(name) || !session.currentLibrary) {
                outcome.problems += name + QStringLiteral(": the library could not be opened");
                continue;
            }
            const std::shared_ptr<dm::DmRunJournal> journal = session.currentLibrary->runJournal();
            if (!journal) {
                outcome.problems += NoJournalLine(name);
                continue;
            }
            const std::vector<dm::RunRecord> runs = journal->runs();
            const auto run = std::find_if(runs.begin(), runs.end(),
                                          [&](const dm::RunRecord& r) { return r.runId == request.runId; });
            if (run == runs.end())
                continue;
            ++outcome.libraries;
            log.WriteLog(StandardLines::StepSeparator());
            log.ShowStatus((request.check ? QStringLiteral("Checking the undo of run ")
                                          : QStringLiteral("Undoing run ")) +
                           request.runId + QStringLiteral(" in library ") + name);
            if (run->status == QLatin1String("running"))
                log.WriteLog(QStringLiteral("Warning: Run ") + request.runId +
                             QStringLiteral(" never finished in ") + name +
                             QStringLiteral(": it was interrupted, or it is still going on"));
            dm::RunRecord own;
            if (!request.check) {
                own.runId = undoId;
                own.started = IsoTimeText(QDateTime::currentDateTime());
                own.user = session.currentLibrary->userName();
                own.machine = QSysInfo::machineHostName();
                own.importFile = run->importFile;
                own.importSet = run->importSet;
                own.options = QStringLiteral("--undo ") + request.runId;
                journal->startRun(own);
            }
            engine::RunUndo undo(context.gateway(), log);
            undo.setUndoId(undoId);
            const auto step = [&](const engine::UndoStep& done) {
                if (done.outcome == QLatin1String("would-undo")) {
                    ++outcome.wouldUndo;
                    const QString& kind = done.change.kind;
                    qint64& count = kind == QLatin1String("FOLDER")     ? outcome.would.foldersRemoved
                                    : kind == QLatin1String("ITEM")     ? outcome.would.itemsUnlinked
                                    : kind == QLatin1String("TRUSTEES") ? outcome.would.trusteesRestored
                                    : kind == QLatin1String("CHAIN")    ? outcome.would.chainsRestored
                                                                        : outcome.would.profilesRestored;
                    ++count;
                }
                const QString text = StepText(done);
                if (request.check || done.outcome == QLatin1String("kept") ||
                    done.outcome == QLatin1String("failed"))
                    tell(name + QLatin1Char(' ') + FormatWhole(done.change.seq) + QLatin1Char(' ') + text +
                         QStringLiteral(": ") + done.outcome +
                         (done.reason.isEmpty() ? QString() : QStringLiteral(" - ") + done.reason));
                if (done.outcome == QLatin1String("failed"))
                    log.ShowStatus(QStringLiteral("Error: ") + text +
                                   QStringLiteral(" could not be taken back - ") + done.reason);
                if (report.isOpen()) {
                    LineReport::Row row;
                    row.line = done.change.seq;
                    row.library = name;
                    row.path = text;
                    row.outcome = done.outcome;
                    row.folder = done.change.kind == QLatin1String("FOLDER") ? done.change.docNumber : 0;
                    row.error = done.reason;
                    report.Write(row);
                }
            };
            const engine::RunUndo::Answer answer =
                undo.Undo(request.runId, request.check, step, request.stop);
            outcome.stopped = answer == engine::RunUndo::Answer::Stopped;
            Add(outcome.counts, undo.counts());
            if (!request.check) {
                own.ended = IsoTimeText(QDateTime::currentDateTime());
                own.paths = undo.counts().total();
                own.errors = undo.counts().failed;
                own.status = outcome.stopped ? QStringLiteral("stopped") : QStringLiteral("finished");
                journal->finishRun(own);
            }
            if (answer == engine::RunUndo::Answer::Held)
                outcome.problems +=
                    name + QStringLiteral(": another writer held the library; undo the run again "
                                          "to complete it");
            if (answer == engine::RunUndo::Answer::NoJournal)
                outcome.problems += NoJournalLine(name);
        } catch (const dm::LibraryDamaged&) {
            ReportCurrentFault(log);
            outcome.problems += name + QStringLiteral(": the library is damaged (see the log)");
            ++outcome.counts.failed;
        } catch (...) {
            ReportCurrentFault(log);
            const bool held = session.currentLibrary && session.currentLibrary->heldByAnotherWriter();
            outcome.problems +=
                name + (held ? QStringLiteral(": another writer held the library; undo the run "
                                              "again to complete it")
                             : QStringLiteral(": the undo failed here (see the log); undo the "
                                              "run again to complete it"));
            ++outcome.counts.failed;
        }
    }
    report.Close();
    if (!current.isEmpty()) {
        try {
            context.connection().ConnectLibrary(current);
        } catch (...) {
        }
    }
    for (const QString& problem : outcome.problems) {
        log.WriteLog(QStringLiteral("Warning: ") + problem);
        tell(problem);
    }
    if (outcome.libraries == 0) {
        const QString missing =
            QStringLiteral("Error: Run ") + request.runId +
            QStringLiteral(" is not in the journal of the current library or of a ticked one");
        log.ShowStatus(missing);
        tell(missing);
    }
    outcome.exitStatus = outcome.stopped ? 2 : (outcome.libraries == 0 || outcome.counts.failed > 0) ? 1 : 0;
    outcome.summary = UndoSummary(request.runId, request.check, outcome);
    log.WriteLog(outcome.summary);
    log.WriteLog(StandardLines::SectionEnd());
    return outcome;
}

} // namespace vantrelis::app
