#pragma once

#include "dm/local/LibraryDatabase.h"

#include <QString>
#include <vector>

namespace vantrelis::dm::local {

// One FOLDER_ITEM row of a folder.
struct ChainItem {
    qint64 systemId = 0;
    qint64 docNumber = 0;
    QString nodeType;
    QString displayName;
    bool isFirst = false;
    qint64 next = 0;
};

enum class ChainFault {
    NoHead,       // rows, but none with ISFIRST 'Y'
    SeveralHeads, // more than one ISFIRST 'Y'
    MissingNext,  // NEXT names no FOLDER_ITEM row at all
    ForeignNext,  // NEXT names a row of another parent
    Cycle,        // NEXT leads back to a row already visited
    Unreached,    // a row of the folder the chain never reaches
};

struct ChainProblem {
    ChainFault kind;
    qint64 systemId = 0; // the row the problem was found at
    QString text;
};

// A folder's items as its FOLDER_ITEM chain orders them: the ISFIRST 'Y' row, then each row's
// "NEXT" until 0. Whatever keeps the chain from being one clean list is reported.
class FolderChain {
public:
    static FolderChain Read(LibraryDatabase& database, qint64 parentDocNumber);

    qint64 parent() const { return m_parent; }
    // Rows in chain order (from the lowest-numbered head when there are several).
    const std::vector<ChainItem>& items() const { return m_items; }
    // Rows of the folder that the chain does not reach, by SYSTEM_ID.
    const std::vector<ChainItem>& unreached() const { return m_unreached; }
    const std::vector<ChainProblem>& problems() const { return m_problems; }
    bool isSound() const { return m_problems.empty(); }
    bool hasProblem(ChainFault kind) const;

    static QString FaultName(ChainFault kind);

private:
    explicit FolderChain(qint64 parent) : m_parent(parent) {}
    void addProblem(ChainFault kind, qint64 systemId, const QString& text);

    qint64 m_parent;
    std::vector<ChainItem> m_items;
    std::vector<ChainItem> m_unreached;
    std::vector<ChainProblem> m_problems;
};

} // namespace vantrelis::dm::local
