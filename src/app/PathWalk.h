#pragma once

#include "app/AppContext.h"
#include "app/ColumnTable.h"
#include "app/DocumentFiler.h"
#include "app/PathOutcome.h"
#include "engine/FolderOperations.h"
#include "engine/folders/CheckOnlyFolders.h"

#include <QString>
#include <functional>

namespace vantrelis::app {

// The walk of one folder path in the current library: each level is found or created by the folder
// engine (at the top level by name, below among its parent's items), and the rule's documents are
// filed into the deepest folder. Answers what it did as a PathOutcome.
class PathWalk {
public:
    // The profile columns a new folder at a level (1-based) takes from its import line.
    using LineValues = std::function<engine::LineColumns(int level)>;

    // `columns` gives each level's sort flag; `stopRequested` is asked between levels.
    PathWalk(AppContext& context, engine::CheckOnlyFolders& folders, const ColumnTable& columns,
             DocumentFiler& filer, std::function<bool()> stopRequested);

    // The library the lookups name in the log, set when the run connects it.
    void setLibraryName(const QString& name) { m_libraryName = name; }

    // Walks `pathText` with the rule's row and form. `outcome` holds what was done also when a fault
    // ends the walk.
    void Walk(const QString& pathText, int ruleRow, const QString& form, const LineValues& lineValues,
              PathOutcome& outcome);

private:
    bool ParentFolderExists(qint32 parent, PathOutcome& outcome);
    // Logs the error and marks the path failed.
    void Fail(PathOutcome& outcome, const QString& error);

    AppContext& m_context;
    engine::CheckOnlyFolders& m_folders;
    const ColumnTable& m_columns;
    DocumentFiler& m_filer;
    std::function<bool()> m_stopRequested;
    QString m_libraryName;
};

} // namespace vantrelis::app
