#pragma once

#include "app/AppContext.h"
#include "app/PathOutcome.h"
#include "app/RunView.h"
#include "engine/folders/CheckOnlyFolders.h"

#include <QString>
#include <functional>

namespace vantrelis::app {

// Files the rule's documents into a path's deepest folder, as the window's two "Add documents"
// options stand when it gets there. The filings commit in batches of at most kBatchMs; a batch that
// cannot commit, or that a fault undoes, takes its documents back out of the count with an error
// line naming them.
class DocumentFiler {
public:
    // `stopRequested` is asked before each document, `itemDone` told after each.
    DocumentFiler(AppContext& context, RunView& view, engine::CheckOnlyFolders& folders,
                  std::function<bool()> stopRequested, std::function<void()> itemDone);

    // Counts the documents filed and not filed into `outcome`, also when a fault ends the filing.
    void File(const QString& path, qint32 folder, bool folderExisted, bool sortFlag, int ruleRow,
              PathOutcome& outcome);

    // A document number read from a result column; 0 for none or one beyond the 32-bit range.
    static qint32 DocNumber(const QString& text);

    // The longest time the documents filed into a folder wait for their commit (and another writer
    // for the library).
    static constexpr qint64 kBatchMs = 100;

private:
    void NotFiled(qint64 documents, const QString& path, PathOutcome& outcome);

    AppContext& m_context;
    RunView& m_view;
    engine::CheckOnlyFolders& m_folders;
    std::function<bool()> m_stopRequested;
    std::function<void()> m_itemDone;
};

} // namespace vantrelis::app
