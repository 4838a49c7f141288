#include "engine/undo/RunUndo.h"

#include "common/FaultReport.h"
#include "common/SqlText.h"
#include "common/Text.h"
#include "dm/FolderItemRow.h"
#include "dm/LibraryDamaged.h"
#include "dm/RunJournalText.h"
#include "dm/SqlRows.h"
#include "dm/SqlTransaction.h"
#include "engine/folders/FolderSupport.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>
#include <utility>

namespace vantrelis::engine {

namespace {

const QString kSource = QStringLiteral("UndoRun");

// A statement the library refused inside a change's transaction: the change is rolled back.
struct Refused {
    QString statement;
};

QString Table(const char* name) {
    return OwnerPrefix() + QString::fromLatin1(name) + QLatin1Char(' ');
}

// A quoted literal that keeps the text as it is (blanks included), apostrophes doubled.
QString Literal(const QString& text) {
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

QString Whole(qint64 value) {
    return QString::number(value);
}

bool ValidColumnName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,127}$"));
    return pattern.match(name).hasMatch();
}

QString ItemText(const JournalChange& change) {
    return QStringLiteral("Item row ") + Whole(change.itemRow) + QStringLiteral(" (document #") +
           Whole(change.docNumber) + QStringLiteral(") in folder #") + Whole(change.parent);
}

// The row an item was linked after, from its journal row's `{"previous":ROW}`.
qint64 PreviousRow(const QString& before) {
    return static_cast<qint64>(
        QJsonDocument::fromJson(before.toUtf8()).object().value(QStringLiteral("previous")).toDouble());
}

UndoStep Step(const JournalChange& change, const QString& outcome, const QString& reason = QString()) {
    return UndoStep{change, outcome, reason};
}

} // namespace

RunUndo::RunUndo(dm::SqlGateway& gateway, Log& log) : m_gateway(gateway), m_log(log) {}

bool RunUndo::Send(const QString& statement) {
    const dm::SqlRows rows(m_gateway, statement);
    if (!rows.ok())
        throw Refused{statement};
    return rows.rowsAffected() > 0;
}

qint64 RunUndo::Count(const QString& statement) {
    const dm::SqlRows rows(m_gateway, statement);
    if (!rows.ok())
        throw Refused{statement};
    return rows.scalar();
}

bool RunUndo::ReadChanges(const QString& runId, std::vector<JournalChange>& pending) {
    const QString run = Literal(runId);
    {
        dm::SqlRows row(m_gateway, QStringLiteral("SELECT STATUS, STARTED FROM ") + Table("VANTRELIS_RUNS") +
                                       QStringLiteral("WHERE RUN_ID = ") + run);
        if (!row.ok())
            throw Refused{QStringLiteral("VANTRELIS_RUNS")};
        if (row.rowCount() == 0)
            return false;
        m_runStatus = row.value(1);
        m_runStarted = row.value(2);
    }
    dm::SqlRows rows(m_gateway, QStringLiteral("SELECT SEQ, KIND, DOCNUMBER, PARENT, ITEM_ID, BEFORE_VALUES, "
                                               "AFTER_VALUES FROM ") +
                                    Table("VANTRELIS_RUN_CHANGES") + QStringLiteral("WHERE RUN_ID = ") + run +
                                    QStringLiteral(" ORDER BY SEQ"));
    if (!rows.ok())
        throw Refused{QStringLiteral("VANTRELIS_RUN_CHANGES")};
    // Marks (negative SEQ) come first: the changes an earlier undo went through.
    QHash<qint64, QString> marks;
    std::vector<JournalChange> changes;
    for (bool more = rows.first(); more; more = rows.next()) {
        JournalChange change;
        change.seq = LeadingWhole(rows.value(1));
        change.kind = rows.value(2).trimmed().toUpper();
        if (change.seq < 0) {
            marks.insert(-change.seq, change.kind);
            continue;
        }
        change.docNumber = LeadingWhole(rows.value(3));
        change.parent = LeadingWhole(rows.value(4));
        change.itemRow = LeadingWhole(rows.value(5));
        change.before = rows.value(6);
        change.after = rows.value(7);
        if (change.kind == QLatin1String("ITEM")) {
            m_previous.insert(change.itemRow, PreviousRow(change.before));
            m_linkSeq.insert(change.itemRow, change.seq);
        }
        changes.push_back(std::move(change));
    }
    pending.clear();
    for (auto change = changes.rbegin(); change != changes.rend(); ++change) {
        const auto mark = marks.constFind(change->seq);
        if (mark == marks.constEnd()) {
            pending.push_back(*change);
            continue;
        }
        ++m_counts.alreadyDone;
    }
    // A new folder's row is journalled last in its creation, after its link and what the link did to
    // the parent (a sort, values carried up): it is taken back in its link's place, after those, so
    // that the parent's chain is back as the link found it when the link goes.
    const auto place = [this](const JournalChange& change) {
        if (change.kind == QLatin1String("FOLDER") && change.itemRow != 0)
            if (const auto link = m_linkSeq.constFind(change.itemRow); link != m_linkSeq.constEnd())
                return link.value();
        return change.seq;
    };
    std::stable_sort(
        pending.begin(), pending.end(),
        [&place](const JournalChange& a, const JournalChange& b) { return place(a) > place(b); });
    return true;
}

bool RunUndo::GroupsByDocument(const JournalChange& change) {
    return change.kind == QLatin1String("ITEM") || change.kind == QLatin1String("TRUSTEES") ||
           change.kind == QLatin1String("PROFILE");
}

UndoStep RunUndo::Dispatch(const JournalChange& change) {
    if (change.kind == QLatin1String("ITEM"))
        return UndoItem(change);
    if (change.kind == QLatin1String("FOLDER"))
        return UndoFolder(change);
    if (change.kind == QLatin1String("TRUSTEES"))
        return UndoTrustees(change);
    if (change.kind == QLatin1String("PROFILE"))
        return UndoProfile(change);
    if (change.kind == QLatin1String("CHAIN"))
        return UndoChain(change);
    return Unreadable(change, QStringLiteral("the journal names a change this program does not know (") +
                                  change.kind + QLatin1Char(')'));
}

UndoStep RunUndo::Failed(const JournalChange& change) {
    try {
        throw;
    } catch (const Refused&) {
        return Step(
            change, QStringLiteral("failed"),
            QStringLiteral("the library refused a statement (see the log); a second undo tries again"));
    } catch (const dm::LibraryDamaged&) {
        throw;
    } catch (...) {
        ReportCurrentFault(m_log);
        return Step(
            change, QStringLiteral("failed"),
            QStringLiteral("the change could not be taken back now (see the log); a second undo tries "
                           "again"));
    }
}

UndoStep RunUndo::UndoOne(const JournalChange& change) {
    try {
        return Dispatch(change);
    } catch (...) {
        m_marks.clear();
        return Failed(change);
    }
}

std::vector<UndoStep> RunUndo::UndoDocument(const std::vector<JournalChange>& pending, std::size_t begin,
                                            std::size_t end) {
    std::vector<UndoStep> done;
    const UndoCounts counted = m_counts;
    try {
        // The folder the document is linked into is locked as a filing locks it, and the document.
        const auto item =
            std::find_if(pending.begin() + static_cast<std::ptrdiff_t>(begin),
                         pending.begin() + static_cast<std::ptrdiff_t>(end),
                         [](const JournalChange& c) { return c.kind == QLatin1String("ITEM"); });
        dm::DmSql& sql = SessionSql(m_gateway, kSource);
        const std::unique_ptr<dm::SqlTransaction> scope =
            item != pending.begin() + static_cast<std::ptrdiff_t>(end)
                ? std::make_unique<dm::SqlTransaction>(sql, item->parent)
                : std::make_unique<dm::SqlTransaction>(sql);
        sql.lockDocument(pending[begin].docNumber);
        m_marks.clear();
        m_grouped = true;
        for (std::size_t i = begin; i < end; ++i)
            done.push_back(Dispatch(pending[i]));
        m_grouped = false;
        WriteMarks();
        scope->commit();
    } catch (...) {
        m_grouped = false;
        m_marks.clear();
        m_counts = counted;
        done.clear();
        for (std::size_t i = begin; i < end; ++i)
            done.push_back(Failed(pending[i]));
    }
    return done;
}

RunUndo::Answer RunUndo::Undo(const QString& runId, bool check,
                              const std::function<void(const UndoStep&)>& step,
                              const std::function<bool()>& stop) {
    m_counts = UndoCounts{};
    m_wouldUnlink.clear();
    m_previous.clear();
    m_wouldTrustees.clear();
    m_wouldProfile.clear();
    m_linkSeq.clear();
    m_handledLinks.clear();
    m_runStatus.clear();
    m_runStarted.clear();
    m_laterRuns.clear();
    m_runId = runId;
    m_check = check;
    if (!m_gateway.TableExists(QStringLiteral("VANTRELIS_RUNS")) ||
        !m_gateway.TableExists(QStringLiteral("VANTRELIS_RUN_CHANGES")))
        return Answer::NoJournal;
    std::vector<JournalChange> pending;
    if (!ReadChanges(runId, pending))
        return Answer::NotHere;
    if (std::any_of(pending.begin(), pending.end(),
                    [](const JournalChange& change) { return change.kind == QLatin1String("FOLDER"); }))
        ReadLaterRuns();

    for (std::size_t i = 0; i < pending.size();) {
        if (stop && stop())
            return Answer::Stopped;
        // A folder's link goes (or stays) with the folder, in its transaction.
        if (pending[i].kind == QLatin1String("ITEM") && m_handledLinks.contains(pending[i].itemRow)) {
            ++i;
            continue;
        }
        // What one filing did to a document (its link, trustees, profile) goes back in one transaction.
        std::size_t end = i + 1;
        if (!check && GroupsByDocument(pending[i]))
            while (end < pending.size() && GroupsByDocument(pending[end]) &&
                   pending[end].docNumber == pending[i].docNumber &&
                   !(pending[end].kind == QLatin1String("ITEM") &&
                     m_handledLinks.contains(pending[end].itemRow)))
                ++end;
        const std::vector<UndoStep> done =
            end - i > 1 ? UndoDocument(pending, i, end) : std::vector{UndoOne(pending[i])};
        i = end;
        for (const UndoStep& one : done) {
            if (one.outcome == QLatin1String("kept"))
                ++m_counts.kept;
            else if (one.outcome == QLatin1String("failed"))
                ++m_counts.failed;
            if (step)
                step(one);
        }
        // Another writer held the library past the wait: the rest would wait in vain, one by one.
        if (done.back().outcome == QLatin1String("failed") && m_gateway.session().currentLibrary &&
            m_gateway.session().currentLibrary->heldByAnotherWriter())
            return Answer::Held;
    }
    if (!check && m_counts.failed == 0 && m_runStatus != QLatin1String("undone")) {
        // Every change has its mark now: the run's row says so.
        try {
            const dm::SqlRows ignored(m_gateway, QStringLiteral("UPDATE ") + Table("VANTRELIS_RUNS") +
                                                     QStringLiteral("SET STATUS = 'undone' WHERE RUN_ID = ") +
                                                     Literal(runId));
        } catch (const dm::LibraryDamaged&) {
            throw;
        } catch (...) {
        }
    }
    return Answer::Done;
}

UndoStep RunUndo::Unreadable(const JournalChange& change, const QString& reason) {
    // Kept, and marked so: a second undo does not meet it again.
    std::unique_ptr<dm::SqlTransaction> scope = Begin(std::nullopt);
    if (!m_check)
        Mark(change, QStringLiteral("KEPT"));
    Commit(scope);
    m_log.WriteLog(QStringLiteral("Warning: Change ") + Whole(change.seq) + QStringLiteral(" is kept: ") +
                   reason);
    return Step(change, QStringLiteral("kept"), reason);
}

UndoStep RunUndo::TakenBack(const JournalChange& change, std::unique_ptr<dm::SqlTransaction>& scope,
                            qint64& count, const QString& logLine) {
    Mark(change, QStringLiteral("UNDONE"));
    Commit(scope);
    ++count;
    m_log.WriteLog(logLine);
    return Step(change, QStringLiteral("undone"));
}

void RunUndo::Mark(const JournalChange& change, const QString& mark) {
    m_marks += QLatin1Char('(') + Literal(m_runId) + QStringLiteral(", ") + Whole(-change.seq) +
               QStringLiteral(", ") + Literal(mark) + QStringLiteral(", ") + Whole(change.docNumber) +
               QStringLiteral(", ") + Whole(change.parent) + QStringLiteral(", ") + Whole(change.itemRow) +
               QStringLiteral(", NULL, ") + Literal(m_undoId) + QLatin1Char(')');
}

std::unique_ptr<dm::SqlTransaction> RunUndo::Begin(std::optional<qint64> folder) {
    if (m_check || m_grouped)
        return nullptr;
    m_marks.clear();
    dm::DmSql& sql = SessionSql(m_gateway, kSource);
    return folder ? std::make_unique<dm::SqlTransaction>(sql, *folder)
                  : std::make_unique<dm::SqlTransaction>(sql);
}

void RunUndo::Commit(std::unique_ptr<dm::SqlTransaction>& scope) {
    if (!scope)
        return;
    WriteMarks();
    scope->commit();
}

void RunUndo::WriteMarks() {
    // The marks of a transaction in one statement, written with what they mark.
    if (m_marks.isEmpty())
        return;
    const QStringList marks = std::exchange(m_marks, {});
    Send(QStringLiteral("INSERT INTO ") + Table("VANTRELIS_RUN_CHANGES") +
         QStringLiteral(
             "(RUN_ID, SEQ, KIND, DOCNUMBER, PARENT, ITEM_ID, BEFORE_VALUES, AFTER_VALUES) VALUES ") +
         marks.join(QStringLiteral(", ")));
}

bool RunUndo::Unlink(const ChainPlace& place) {
    const QString folder = Whole(place.parent);
    const QString table = Table("FOLDER_ITEM");
    const QString inFolder = QStringLiteral(" WHERE PARENT = ") + folder;
    const QString setNext = QStringLiteral("UPDATE ") + table + QStringLiteral("SET ") +
                            dm::FolderItemRow::NextColumn() + QStringLiteral(" = ") + Whole(place.next) +
                            inFolder + QStringLiteral(" AND ") + dm::FolderItemRow::NextColumn() +
                            QStringLiteral(" = ") + Whole(place.row);
    if (!place.isFirst) {
        // The row before it leads past it now. Changes are taken back newest first, so the row it was
        // linked after is mostly still the one before it: one indexed update. In a sorted folder the
        // row before it in name order is (one step down the name index). Else the folder's rows are
        // searched.
        const QString name = Literal(place.displayName);
        const QString byName =
            QStringLiteral("COALESCE((SELECT MAX(SYSTEM_ID) FROM ") + table + inFolder +
            QStringLiteral(" AND DISPLAYNAME = ") + name + QStringLiteral(" AND SYSTEM_ID < ") +
            Whole(place.row) + QStringLiteral("), (SELECT MAX(SYSTEM_ID) FROM ") + table + inFolder +
            QStringLiteral(" AND DISPLAYNAME = (SELECT MAX(DISPLAYNAME) FROM ") + table + inFolder +
            QStringLiteral(" AND DISPLAYNAME < ") + name + QStringLiteral(")))");
        if (!(place.previous != 0 &&
              Send(setNext + QStringLiteral(" AND SYSTEM_ID = ") + Whole(place.previous))) &&
            !Send(setNext + QStringLiteral(" AND SYSTEM_ID = ") + byName))
            Send(setNext);
    } else if (place.next != 0) {
        Send(QStringLiteral("UPDATE ") + table + QStringLiteral("SET ISFIRST = 'Y'") + inFolder +
             QStringLiteral(" AND SYSTEM_ID = ") + Whole(place.next));
    }
    return Send(QStringLiteral("DELETE FROM ") + table + inFolder + QStringLiteral(" AND SYSTEM_ID = ") +
                Whole(place.row));
}

RunUndo::ChainPlace RunUndo::ReadPlace(qint64 row, qint64 parent, qint64 docNumber, bool& present) {
    ChainPlace place;
    place.row = row;
    place.parent = parent;
    place.previous = m_previous.value(row);
    dm::SqlRows read(m_gateway, QStringLiteral("SELECT DOCNUMBER, ") + dm::FolderItemRow::NextColumn() +
                                    QStringLiteral(", ISFIRST, DISPLAYNAME FROM ") + Table("FOLDER_ITEM") +
                                    QStringLiteral("WHERE PARENT = ") + Whole(parent) +
                                    QStringLiteral(" AND SYSTEM_ID = ") + Whole(row));
    if (!read.ok())
        throw Refused{QStringLiteral("FOLDER_ITEM")};
    present = read.rowCount() > 0 && LeadingWhole(read.value(1)) == docNumber;
    if (present) {
        place.next = LeadingWhole(read.value(2));
        place.isFirst = read.value(3).trimmed().toUpper() == QLatin1String("Y");
        place.displayName = read.value(4);
    }
    return place;
}

UndoStep RunUndo::UndoItem(const JournalChange& change) {
    std::unique_ptr<dm::SqlTransaction> scope = Begin(change.parent);
    bool present = false;
    const ChainPlace place = ReadPlace(change.itemRow, change.parent, change.docNumber, present);
    if (!present) {
        // Someone took it out (or the row now holds another document): nothing of the run is left.
        if (!m_check) {
            Mark(change, QStringLiteral("GONE"));
            Commit(scope);
        }
        m_log.WriteLog(ItemText(change) + QStringLiteral(" is no longer there - nothing to take back"));
        return Step(change, QStringLiteral("gone"), QStringLiteral("the item is no longer in the folder"));
    }
    if (m_check) {
        m_wouldUnlink[change.parent] += 1;
        return Step(change, QStringLiteral("would-undo"));
    }
    Unlink(place);
    return TakenBack(change, scope, m_counts.itemsUnlinked,
                     ItemText(change) + QStringLiteral(" taken out of the folder"));
}

void RunUndo::ReadLaterRuns() {
    // Only a run that had not ended when this one started can have changed what this one created;
    // a day earlier, as the clocks of two machines may differ. A run without an end (stopped by a
    // fault, or going on) counts.
    QString since;
    const QDateTime started = QDateTime::fromString(m_runStarted.trimmed(), Qt::ISODate);
    if (started.isValid())
        since = QStringLiteral(" AND (R.ENDED IS NULL OR R.ENDED >= ") +
                Literal(started.addDays(-1).toString(Qt::ISODate)) + QLatin1Char(')');
    const QString changes = Table("VANTRELIS_RUN_CHANGES");
    const QString run = Literal(m_runId);
    dm::SqlRows rows(m_gateway,
                     QStringLiteral("SELECT C.DOCNUMBER, C.RUN_ID FROM ") + Table("VANTRELIS_RUNS") +
                         QStringLiteral("R, ") + changes + QStringLiteral("C WHERE R.RUN_ID <> ") + run +
                         since +
                         QStringLiteral(" AND C.RUN_ID = R.RUN_ID AND C.SEQ > 0 AND C.DOCNUMBER IN "
                                        "(SELECT F.DOCNUMBER FROM ") +
                         changes + QStringLiteral("F WHERE F.RUN_ID = ") + run +
                         QStringLiteral(" AND F.KIND = 'FOLDER') AND NOT EXISTS (SELECT 1 FROM ") + changes +
                         QStringLiteral("M WHERE M.RUN_ID = C.RUN_ID AND M.SEQ = -C.SEQ)"));
    if (!rows.ok())
        throw Refused{QStringLiteral("VANTRELIS_RUN_CHANGES")};
    for (bool more = rows.first(); more; more = rows.next()) {
        const qint64 folder = LeadingWhole(rows.value(1));
        if (!m_laterRuns.contains(folder))
            m_laterRuns.insert(folder, rows.value(2).trimmed());
    }
}

UndoStep RunUndo::UndoFolder(const JournalChange& change) {
    const QString folder = Whole(change.docNumber);
    std::unique_ptr<dm::SqlTransaction> scope = Begin(change.parent);
    // The journal row of the folder's link into its parent, marked with the folder.
    const auto markLink = [&](const QString& mark) {
        const auto link = m_linkSeq.constFind(change.itemRow);
        if (change.itemRow == 0 || link == m_linkSeq.constEnd())
            return;
        if (!m_check)
            Mark(JournalChange{link.value(), QStringLiteral("ITEM"), change.docNumber, change.parent,
                               change.itemRow, QString(), QString()},
                 mark);
        m_handledLinks.insert(change.itemRow);
    };
    const auto keep = [&](const QString& reason) {
        markLink(QStringLiteral("KEPT"));
        if (!m_check) {
            Mark(change, QStringLiteral("KEPT"));
            Commit(scope);
        }
        m_log.WriteLog(QStringLiteral("Warning: Folder #") + folder + QStringLiteral(" is kept: ") + reason);
        return Step(change, QStringLiteral("kept"), reason);
    };
    if (Count(QStringLiteral("SELECT COUNT(*) FROM ") + Table("PROFILE") +
              QStringLiteral("WHERE DOCNUMBER = ") + folder) == 0) {
        if (!m_check) {
            Mark(change, QStringLiteral("GONE"));
            Commit(scope);
        }
        m_log.WriteLog(QStringLiteral("Folder #") + folder +
                       QStringLiteral(" is no longer there - nothing to take back"));
        return Step(change, QStringLiteral("gone"), QStringLiteral("the folder is no longer there"));
    }
    const qint64 items = Count(QStringLiteral("SELECT COUNT(*) FROM ") + Table("FOLDER_ITEM") +
                               QStringLiteral("WHERE PARENT = ") + folder) -
                         (m_check ? m_wouldUnlink.value(change.docNumber) : 0);
    if (items > 0)
        return keep(QStringLiteral("it holds ") + Whole(items) +
                    (items == 1 ? QStringLiteral(" item") : QStringLiteral(" items")) +
                    QStringLiteral(" the run did not put there"));
    if (Count(QStringLiteral("SELECT COUNT(*) FROM ") + Table("FOLDER_ITEM") +
              QStringLiteral("WHERE DOCNUMBER = ") + folder + QStringLiteral(" AND SYSTEM_ID <> ") +
              Whole(change.itemRow)) > 0)
        return keep(QStringLiteral("it was filed into another folder after the run"));
    if (const QString later = LaterRunNote(change.docNumber); !later.isEmpty())
        return keep(QStringLiteral("run ") + later + QStringLiteral(" changed it after this run"));
    markLink(QStringLiteral("UNDONE"));
    if (m_check) {
        if (change.parent != 0)
            m_wouldUnlink[change.parent] += 1;
        return Step(change, QStringLiteral("would-undo"));
    }
    if (change.parent != 0 && change.itemRow != 0) {
        bool present = false;
        const ChainPlace place = ReadPlace(change.itemRow, change.parent, change.docNumber, present);
        if (present)
            Unlink(place);
    }
    const QString byDocument = QStringLiteral("WHERE DOCNUMBER = ") + folder;
    Send(QStringLiteral("DELETE FROM ") + Table("SECURITY") +
         QStringLiteral("WHERE THING IN (SELECT SYSTEM_ID FROM ") + Table("PROFILE") + byDocument +
         QLatin1Char(')'));
    Send(QStringLiteral("DELETE FROM ") + Table("ROOT_OBJECT") + byDocument);
    Send(QStringLiteral("DELETE FROM ") + Table("VERSIONS") + byDocument);
    Send(QStringLiteral("DELETE FROM ") + Table("FOLDER") + byDocument);
    Send(QStringLiteral("DELETE FROM ") + Table("PROFILE") + byDocument);
    return TakenBack(change, scope, m_counts.foldersRemoved,
                     QStringLiteral("Folder #") + folder + QStringLiteral(" removed"));
}

UndoStep RunUndo::UndoTrustees(const JournalChange& change) {
    const QString document = Whole(change.docNumber);
    std::vector<std::pair<qint64, qint64>> before;
    std::vector<std::pair<qint64, qint64>> after;
    if (!dm::RunJournalText::ReadTrustees(change.before, before) ||
        !dm::RunJournalText::ReadTrustees(change.after, after))
        return Unreadable(change, QStringLiteral("the journal's trustee list cannot be read"));
    std::unique_ptr<dm::SqlTransaction> scope = Begin(std::nullopt);
    qint64 profileId = 0;
    std::vector<std::pair<qint64, qint64>> current;
    {
        dm::SqlRows rows(m_gateway,
                         QStringLiteral("SELECT P.SYSTEM_ID, S.PERSONORGROUP, S.ACCESSRIGHTS FROM ") +
                             Table("PROFILE") + QStringLiteral("P LEFT JOIN ") + Table("SECURITY") +
                             QStringLiteral("S ON S.THING = P.SYSTEM_ID WHERE P.DOCNUMBER = ") + document);
        if (!rows.ok())
            throw Refused{QStringLiteral("SECURITY")};
        for (bool more = rows.first(); more; more = rows.next()) {
            profileId = LeadingWhole(rows.value(1));
            if (!rows.value(2).isEmpty())
                current.emplace_back(LeadingWhole(rows.value(2)), LeadingWhole(rows.value(3)));
        }
    }
    const auto keep = [&](const QString& outcome, const QString& reason) {
        if (!m_check) {
            Mark(change, outcome == QLatin1String("gone") ? QStringLiteral("GONE") : QStringLiteral("KEPT"));
            Commit(scope);
        }
        m_log.WriteLog(QStringLiteral("Warning: The trustees of document #") + document +
                       QStringLiteral(" are kept: ") + reason);
        return Step(change, outcome, reason);
    };
    if (profileId == 0)
        return keep(QStringLiteral("gone"), QStringLiteral("the document is no longer there"));
    if (m_check && m_wouldTrustees.contains(change.docNumber))
        current = m_wouldTrustees.value(change.docNumber);
    std::sort(current.begin(), current.end());
    std::vector<std::pair<qint64, qint64>> left = after;
    std::sort(left.begin(), left.end());
    if (current != left)
        return keep(QStringLiteral("kept"), QStringLiteral("they were changed after the run"));
    if (m_check) {
        m_wouldTrustees.insert(change.docNumber, before);
        return Step(change, QStringLiteral("would-undo"));
    }
    const QString thing = Whole(profileId);
    Send(QStringLiteral("DELETE FROM ") + Table("SECURITY") + QStringLiteral("WHERE THING = ") + thing);
    for (const auto& [trustee, rights] : before)
        Send(QStringLiteral("INSERT INTO ") + Table("SECURITY") +
             QStringLiteral("(THING, PERSONORGROUP, ACCESSRIGHTS) VALUES (") + thing + QStringLiteral(", ") +
             Whole(trustee) + QStringLiteral(", ") + Whole(rights) + QLatin1Char(')'));
    return TakenBack(change, scope, m_counts.trusteesRestored,
                     QStringLiteral("The trustees of document #") + document + QStringLiteral(" restored"));
}

UndoStep RunUndo::UndoProfile(const JournalChange& change) {
    const QString document = Whole(change.docNumber);
    const QJsonDocument beforeDoc = QJsonDocument::fromJson(change.before.toUtf8());
    const QJsonDocument afterDoc = QJsonDocument::fromJson(change.after.toUtf8());
    if (!beforeDoc.isObject() || !afterDoc.isObject())
        return Unreadable(change, QStringLiteral("the journal's profile values cannot be read"));
    const QJsonObject before = beforeDoc.object();
    const QJsonObject after = afterDoc.object();
    QStringList columns;
    for (auto value = after.constBegin(); value != after.constEnd(); ++value) {
        if (!ValidColumnName(value.key()) || !before.contains(value.key()))
            return Unreadable(change, QStringLiteral("the journal names a column that cannot be restored: ") +
                                          value.key());
        columns += value.key();
    }
    std::unique_ptr<dm::SqlTransaction> scope = Begin(std::nullopt);
    const auto mark = [&](const QString& kind) {
        if (!m_check) {
            Mark(change, kind);
            Commit(scope);
        }
    };
    if (columns.isEmpty()) {
        mark(QStringLiteral("UNDONE"));
        return Step(change, QStringLiteral("gone"), QStringLiteral("no column to restore"));
    }
    QStringList sets;
    QStringList changed;
    {
        dm::SqlRows row(m_gateway, QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")) +
                                       QStringLiteral(" FROM ") + Table("PROFILE") +
                                       QStringLiteral("WHERE DOCNUMBER = ") + document);
        if (!row.ok())
            throw Refused{QStringLiteral("PROFILE")};
        if (row.rowCount() == 0) {
            mark(QStringLiteral("GONE"));
            return Step(change, QStringLiteral("gone"), QStringLiteral("the document is no longer there"));
        }
        for (int i = 0; i < columns.size(); ++i) {
            const QString& column = columns.at(i);
            const QHash<QString, QString>& would = m_wouldProfile[change.docNumber];
            const QString current =
                m_check && would.contains(column) ? would.value(column) : row.value(i + 1);
            if (current.trimmed() != after.value(column).toString().trimmed()) {
                changed += column;
                continue;
            }
            // null: the column had no value.
            const QJsonValue value = before.value(column);
            if (m_check)
                m_wouldProfile[change.docNumber].insert(column, value.toString());
            sets +=
                column + QStringLiteral(" = ") +
                (value.isNull() || value.isUndefined() ? QStringLiteral("NULL") : Literal(value.toString()));
        }
    }
    const QString changedNote = changed.isEmpty() ? QString()
                                                  : QStringLiteral("changed after the run, kept: ") +
                                                        changed.join(QStringLiteral(", "));
    if (sets.isEmpty()) {
        mark(QStringLiteral("KEPT"));
        m_log.WriteLog(QStringLiteral("Warning: The profile of document #") + document +
                       QStringLiteral(" is kept: ") + changedNote);
        return Step(change, QStringLiteral("kept"), changedNote);
    }
    if (m_check)
        return Step(change, QStringLiteral("would-undo"), changedNote);
    Send(QStringLiteral("UPDATE ") + Table("PROFILE") + QStringLiteral("SET ") +
         sets.join(QStringLiteral(", ")) + QStringLiteral(" WHERE DOCNUMBER = ") + document);
    if (!changed.isEmpty())
        ++m_counts.kept;
    UndoStep done = TakenBack(
        change, scope, m_counts.profilesRestored,
        QStringLiteral("The profile of document #") + document + QStringLiteral(" restored") +
            (changedNote.isEmpty() ? QString() : QStringLiteral(" (") + changedNote + QLatin1Char(')')));
    done.reason = changedNote;
    return done;
}

UndoStep RunUndo::UndoChain(const JournalChange& change) {
    std::vector<dm::RunJournalText::ChainLink> was;
    std::vector<dm::RunJournalText::ChainLink> now;
    if (!dm::RunJournalText::ReadChainRows(change.before, was) ||
        !dm::RunJournalText::ReadChainRows(change.after, now) || was.size() != now.size())
        return Unreadable(change, QStringLiteral("the journal's chain rows cannot be read"));
    const QString folder = Whole(change.docNumber);
    // What a check would find depends on the changes before it, which it does not make.
    if (m_check)
        return Step(change, QStringLiteral("would-undo"));
    std::unique_ptr<dm::SqlTransaction> scope = Begin(change.docNumber);
    QStringList rows;
    for (const auto& link : now)
        rows += Whole(link.row);
    QHash<qint64, std::pair<bool, qint64>> current;
    {
        dm::SqlRows read(m_gateway, QStringLiteral("SELECT SYSTEM_ID, ISFIRST, ") +
                                        dm::FolderItemRow::NextColumn() + QStringLiteral(" FROM ") +
                                        Table("FOLDER_ITEM") + QStringLiteral("WHERE PARENT = ") + folder +
                                        QStringLiteral(" AND SYSTEM_ID IN (") +
                                        rows.join(QStringLiteral(", ")) + QLatin1Char(')'));
        if (!read.ok())
            throw Refused{QStringLiteral("FOLDER_ITEM")};
        for (bool more = read.first(); more; more = read.next())
            current.insert(
                LeadingWhole(read.value(1)),
                {read.value(2).trimmed().toUpper() == QLatin1String("Y"), LeadingWhole(read.value(3))});
    }
    // All of the order goes back, or none of it: a chain partly put back would be broken.
    for (const auto& link : now) {
        const auto row = current.constFind(link.row);
        if (row == current.constEnd() || row->first != link.isFirst || row->second != link.next) {
            Mark(change, QStringLiteral("KEPT"));
            Commit(scope);
            const QString reason = QStringLiteral("its items were moved or changed after the run");
            m_log.WriteLog(QStringLiteral("Warning: The order of folder #") + folder +
                           QStringLiteral(" is kept: ") + reason);
            return Step(change, QStringLiteral("kept"), reason);
        }
    }
    for (const auto& link : was)
        Send(QStringLiteral("UPDATE ") + Table("FOLDER_ITEM") + QStringLiteral("SET ") +
             dm::FolderItemRow::NextColumn() + QStringLiteral(" = ") + Whole(link.next) +
             QStringLiteral(", ISFIRST = ") + (link.isFirst ? QStringLiteral("'Y'") : QStringLiteral("'N'")) +
             QStringLiteral(" WHERE PARENT = ") + folder + QStringLiteral(" AND SYSTEM_ID = ") +
             Whole(link.row));
    return TakenBack(change, scope, m_counts.chainsRestored,
                     QStringLiteral("The order of folder #") + folder + QStringLiteral(" restored"));
}

} // namespace vantrelis::engine
