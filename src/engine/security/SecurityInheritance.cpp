#include "engine/security/SecurityInheritance.h"

#include "common/Fault.h"
#include "common/FaultReport.h"
#include "common/SqlText.h"
#include "common/Text.h"
#include "dm/RunJournalText.h"
#include "dm/SqlRows.h"
#include "dm/SqlTransaction.h"

#include <vector>

namespace vantrelis::engine {

namespace {

QString WholeText(const QString& value) {
    return FormatWhole(LeadingWhole(value));
}

QString KeptMessage(const QString& doc) {
    return QStringLiteral("Error: Unable to set security for document ") + doc +
           QStringLiteral(" - its previous security has been kept");
}

QString InsertTrustee(const QString& trustee, const QString& rights, const QString& systemId) {
    return QStringLiteral("INSERT INTO ") + OwnerPrefix() +
           QStringLiteral("SECURITY (PERSONORGROUP, ACCESSRIGHTS, THING) ") + QStringLiteral("VALUES (") +
           trustee + QStringLiteral(", ") + rights + QStringLiteral(", ") + systemId + QStringLiteral(")");
}
} // namespace

SecurityInheritance::SecurityInheritance(dm::SqlGateway& gateway, Log& log)
    : m_gateway(gateway), m_log(log) {}

bool SecurityInheritance::Send(const QString& statement) {
    dm::SqlRows rows(m_gateway, statement);
    return rows.ok();
}

bool SecurityInheritance::Replace(const QString& doc, const QString& systemId, const QString& author,
                                  const QString& typist, const std::vector<ParentRow>& parentRows) {
    const QString o = OwnerPrefix();
    m_log.ShowStatus(QStringLiteral("Setting security for document ") + doc +
                     QStringLiteral(" to match folder security"));
    if (!Send(QStringLiteral("DELETE FROM ") + o + QStringLiteral("SECURITY WHERE THING = ") + systemId))
        return false;
    m_log.ShowStatus(QStringLiteral("Enabling document security"));
    if (!Send(QStringLiteral("UPDATE ") + o +
              QStringLiteral("PROFILE SET DEFAULT_RIGHTS = 1 WHERE SYSTEM_ID = ") + systemId))
        return false;
    m_log.ShowStatus(QStringLiteral("Adding author security"));
    if (!Send(InsertTrustee(author, QStringLiteral("255"), systemId)))
        return false;
    if (typist != author) {
        m_log.ShowStatus(QStringLiteral("Adding typist security"));
        if (!Send(InsertTrustee(typist, QStringLiteral("255"), systemId)))
            return false;
    }
    m_log.ShowStatus(QStringLiteral("Adding ") + FormatWhole(static_cast<qint64>(parentRows.size())) +
                     QStringLiteral(" folder trustees to profiled document"));
    for (const ParentRow& row : parentRows) {
        if (!Send(InsertTrustee(row.personOrGroup, row.rights, systemId)))
            return false;
    }
    return true;
}

void SecurityInheritance::InheritSecurity(qint64 docNumber, qint64 parentFolder, bool& succeeded) {
    const QString o = OwnerPrefix();
    const QString doc = FormatWhole(docNumber);
    bool replacing = false;
    try {
        if (docNumber == 0 || parentFolder == 0) {
            m_log.ShowStatus(QStringLiteral(
                "Error: No document number or parent folder id specified - cannot set security inheritance"));
            succeeded = false;
            return;
        }
        m_log.ShowStatus(QStringLiteral("Preparing to set security for document ") + doc +
                         QStringLiteral(" to match folder security"));

        QString systemId;
        QString author;
        QString typist;
        {
            dm::SqlRows rows(m_gateway, QStringLiteral("SELECT SYSTEM_ID, AUTHOR, TYPIST FROM ") + o +
                                            QStringLiteral("PROFILE WHERE DOCNUMBER = ") + doc);
            rows.first();
            systemId = WholeText(rows.value(1));
            author = WholeText(rows.value(2));
            typist = WholeText(rows.value(3));
        }
        if (systemId == QLatin1String("0")) {
            m_log.ShowStatus(QStringLiteral("Error: Unable to locate profile for document ") + doc +
                             QStringLiteral(" - cannot set security"));
            succeeded = false;
            return;
        }

        std::vector<ParentRow> parentRows;
        {
            dm::SqlRows rows(m_gateway, QStringLiteral("SELECT PERSONORGROUP, ACCESSRIGHTS FROM ") + o +
                                            QStringLiteral("SECURITY WHERE THING = ") +
                                            QStringLiteral("(SELECT SYSTEM_ID FROM ") + o +
                                            QStringLiteral("PROFILE WHERE DOCNUMBER = ") +
                                            FormatWhole(parentFolder) + QStringLiteral(") ") +
                                            QStringLiteral("AND PERSONORGROUP NOT IN (") + author +
                                            QStringLiteral(", ") + typist + QStringLiteral(")"));
            for (bool more = rows.first(); more; more = rows.next()) {
                if (!rows.value(1).isEmpty())
                    parentRows.push_back({WholeText(rows.value(1)), WholeText(rows.value(2))});
            }
        }
        if (parentRows.empty()) {
            m_log.ShowStatus(
                QStringLiteral("No trustees found for parent folder - did not set security for document ") +
                doc);
            succeeded = false;
            return;
        }

        dm::DmSql* sql = m_gateway.session().sql.get();
        if (!sql)
            throw Fault(kObjectNotSetNumber, QStringLiteral("InheritSecurity"),
                        QStringLiteral("Object variable not set (SQL object)"));
        // The old rows go and the new ones come in one transaction: a document left with only part
        // of the folder's trustees (its denials missing, say) would be open to people the folder
        // shuts out.
        dm::SqlTransaction copy(*sql);
        replacing = true;
        dm::DmRunJournal* journal = m_gateway.session().journal.get();
        if (journal && journal->createdByRun(docNumber))
            journal = nullptr;
        const QString before = journal ? journal->trusteeList(docNumber, systemId.toLongLong()) : QString();
        if (!Replace(doc, systemId, author, typist, parentRows)) {
            copy.rollback();
            m_log.ShowStatus(KeptMessage(doc));
            succeeded = false;
            return;
        }
        if (journal) {
            // The rows Replace wrote, in its order.
            std::vector<std::pair<qint64, qint64>> after{{author.toLongLong(), 255}};
            if (typist != author)
                after.emplace_back(typist.toLongLong(), 255);
            for (const ParentRow& row : parentRows)
                after.emplace_back(row.personOrGroup.toLongLong(), row.rights.toLongLong());
            // Replace set DEFAULT_RIGHTS to 1 with the rows.
            journal->trusteesReplaced(docNumber, before, dm::RunJournalText::Trustees(after), 1);
        }
        copy.commit();
        m_log.ShowStatus(QStringLiteral("Finished adding ") +
                         FormatWhole(static_cast<qint64>(parentRows.size())) +
                         QStringLiteral(" folder trustees to profiled document"));
        succeeded = true;
    } catch (...) {
        ReportCurrentFault(m_log);
        if (replacing)
            m_log.WriteLog(KeptMessage(doc));
        succeeded = false;
    }
}

} // namespace vantrelis::engine
