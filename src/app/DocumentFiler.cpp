// The rule's documents filed into the deepest folder of a path, in batches.

#include "app/DocumentFiler.h"

#include "common/SqlText.h"
#include "common/Text.h"
#include "dm/SqlRows.h"

#include <QElapsedTimer>

#include <limits>
#include <vector>

namespace vantrelis::app {

namespace {

QString Number(qint64 value) {
    return FormatWhole(value);
}

} // namespace

DocumentFiler::DocumentFiler(AppContext& context, RunView& view, engine::CheckOnlyFolders& folders,
                             std::function<bool()> stopRequested, std::function<void()> itemDone)
    : m_context(context), m_view(view), m_folders(folders), m_stopRequested(std::move(stopRequested)),
      m_itemDone(std::move(itemDone)) {}

qint32 DocumentFiler::DocNumber(const QString& text) {
    const qint64 value = LeadingWhole(text);
    return value > 0 && value <= std::numeric_limits<qint32>::max() ? static_cast<qint32>(value) : 0;
}

void DocumentFiler::NotFiled(qint64 documents, const QString& path, PathOutcome& outcome) {
    const QString line = QStringLiteral("Error: The last ") + Number(documents) +
                         QStringLiteral(" document(s) added to folder ") + path +
                         QStringLiteral(" could not be committed and are not filed");
    m_context.log().ShowStatus(line);
    outcome.noteError(line);
}

void DocumentFiler::File(const QString& path, qint32 folder, bool folderExisted, bool sortFlag, int ruleRow,
                         PathOutcome& outcome) {
    Log& log = m_context.log();
    // The options are read as they stand now: a change during the run applies from this folder on.
    const RunChoices live = m_view.runChoices();
    if (folderExisted && !live.addExistingDocs) {
        log.WriteLog(QStringLiteral("Folder existed - not adding documents"));
        return;
    }
    if (!folderExisted && !live.addNewDocs) {
        log.WriteLog(QStringLiteral("Folder did not exist - not adding documents"));
        return;
    }
    log.ShowStatus(QStringLiteral("Preparing to add documents to folder ") + path);
    const QString statement = m_folders.AddDocsSQL(folder, ruleRow);
    if (statement.isEmpty())
        return;

    std::vector<qint32> candidates;
    int k = 0;
    {
        dm::SqlRows rows(m_context.gateway(), statement);
        k = rows.rowCount();
        if (k > 0) {
            log.ShowStatus(QStringLiteral("Adding ") + Number(k) + QStringLiteral(" documents to folder ") +
                           path);
            for (bool more = rows.first(); more && static_cast<int>(candidates.size()) < k;
                 more = rows.next()) {
                const QString value = rows.value(1);
                if (!value.isEmpty())
                    candidates.push_back(DocNumber(value));
            }
        }
    }
    if (k == 0) {
        log.WriteLog(QStringLiteral("No documents found for this folder"));
        return;
    }
    if (candidates.empty())
        return;

    qint64 added = 0;
    qint64 errors = 0;
    const QString of = QStringLiteral(" of ") + Number(static_cast<qint64>(candidates.size())) +
                       QStringLiteral(" to folder");
    // The documents are filed in batches that commit at least every kBatchMs: a commit per document
    // cost a fifth of the run. Each filing stays all or nothing; a batch that cannot commit takes
    // its documents back out of the counts, with an error naming them.
    bool batched = m_folders.BeginBatch(folder);
    QElapsedTimer batchAge;
    batchAge.start();
    qint64 unsettled = 0;
    const auto settle = [&] {
        if (!batched)
            return;
        batched = false;
        if (!m_folders.EndBatch(true) && unsettled > 0) {
            NotFiled(unsettled, path, outcome);
            added -= unsettled;
            errors += unsettled;
        }
        unsettled = 0;
    };
    try {
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            if (m_stopRequested())
                break;
            const qint32 document = candidates[i];
            if (document == 0)
                continue;
            log.SetStatusLabel(QStringLiteral("Adding ") + Number(static_cast<qint64>(i + 1)) + of);
            log.Yield();
            if (!m_folders.AddFolderItem(document, folder, QStringLiteral("P"), ruleRow, sortFlag ? 1 : 0)) {
                ++errors;
                outcome.noteError(QStringLiteral("Error: Document #") + Number(document) +
                                  QStringLiteral(" could not be added to folder ") + path);
            } else if (!m_folders.ItemExisted()) {
                ++added;
                ++unsettled;
            }
            m_itemDone();
            if (batched && batchAge.hasExpired(kBatchMs)) {
                settle();
                batched = m_folders.BeginBatch(folder);
                batchAge.restart();
            }
        }
    } catch (...) {
        // The fault undoes the open batch: its documents are not filed, and the log says so after
        // their "successfully added" lines. What earlier batches committed stays counted.
        if (batched) {
            m_folders.EndBatch(false);
            if (unsettled > 0) {
                NotFiled(unsettled, path, outcome);
                added -= unsettled;
                errors += unsettled;
            }
        }
        outcome.documentsFiled += added;
        outcome.documentErrors += errors;
        throw;
    }
    settle();
    outcome.documentsFiled += added;
    outcome.documentErrors += errors;
    if (m_folders.checkOnly())
        log.ShowStatus(QStringLiteral("Check only: would file ") + Number(added) +
                       QStringLiteral(" documents (") + Number(errors) + QStringLiteral(" errors)."));
    else
        log.ShowStatus(Number(added) + QStringLiteral(" document(s) added with ") + Number(errors) +
                       QStringLiteral(" error(s)."));
}

} // namespace vantrelis::app
