#pragma once

#include "dm/ItemChain.h"

#include <QSet>
#include <QString>
#include <QTextStream>
#include <vector>

namespace vantrelis::dm::local {
class LibraryStore;
}

namespace vantrelis::tools {

// Prints folder trees in item-chain order for `vantrelis-dm folders`. The walk keeps its own stack,
// so a tree of any depth prints; a folder met again below itself is marked and not followed.
class FolderTreePrinter {
public:
    FolderTreePrinter(dm::local::LibraryStore& database, QTextStream& out, bool withDocuments);

    // Prints a top-level folder and its subtree; false when a chain in it is broken or a folder
    // contains itself.
    bool PrintTree(qint64 docNumber, const QString& name);
    // After the top-level trees: finds the folders that only a cycle of folders holds (no top-level
    // folder reaches them), names each cycle and prints what hangs on it; false when there is one.
    bool PrintUnreachedCycles();

private:
    struct Frame {
        qint64 docNumber;
        int depth;
        dm::ItemChain chain;
        size_t nextItem = 0;
        int documents = 0;
    };

    // Prints a folder's line and, unless it is its own ancestor, starts its frame.
    void Enter(qint64 docNumber, const QString& name, int depth);
    // The folder's documents count, chain problems and unreached items, once its items are done.
    void Finish(const Frame& frame);
    void PrintItem(const dm::ChainItem& item, int depth, const QString& mark);
    bool IsFolder(qint64 docNumber);
    // The folder that holds a folder (the lowest-numbered when several do), or 0.
    qint64 ParentOf(qint64 docNumber);
    static QString Indent(int depth);

    dm::local::LibraryStore& m_db;
    QTextStream& m_out;
    bool m_withDocuments;
    bool m_sound = true;
    std::vector<Frame> m_stack;
    QSet<qint64> m_ancestors; // the folders on m_stack
    QSet<qint64> m_visited;   // every folder whose items were listed
};

} // namespace vantrelis::tools
