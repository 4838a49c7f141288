#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace vantrelis::dm {

// One FOLDER_ITEM row of a folder.
struct ChainItem {
    qint64 systemId = 0;
    qint64 docNumber = 0;
    QString nodeType;
    QString displayName;
    bool isFirst = false;
    qint64 next = 0; // NULL reads as 0, the end of the chain
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

// A folder's items as its FOLDER_ITEM chain orders them: the ISFIRST 'Y' row, then each row's NEXT
// until 0. Whatever keeps the chain from being one clean list is reported. Worked out from the rows
// alone, so the local backend's reader, the administration tool and the engines' tests share it.
class ItemChain {
public:
    // The PARENT of a FOLDER_ITEM row outside the folder's rows, or nothing when there is no such row:
    // tells a NEXT into another folder from a NEXT that names no row.
    using ParentOfRow = std::function<std::optional<qint64>(qint64 systemId)>;

    // `rows` are all rows whose PARENT is `parent`, in any order. Without `parentOfRow` a NEXT
    // outside them counts as naming no row.
    static ItemChain Analyse(qint64 parent, std::vector<ChainItem> rows, const ParentOfRow& parentOfRow = {});

    qint64 parent() const { return m_parent; }
    // Rows in chain order (from the lowest-numbered head when there are several).
    const std::vector<ChainItem>& items() const { return m_items; }
    // The last row in chain order, which a new item is linked after; nullptr for an empty folder.
    const ChainItem* tail() const { return m_items.empty() ? nullptr : &m_items.back(); }
    // Rows of the folder that the chain does not reach, by SYSTEM_ID.
    const std::vector<ChainItem>& unreached() const { return m_unreached; }
    const std::vector<ChainProblem>& problems() const { return m_problems; }
    bool isSound() const { return m_problems.empty(); }

    static QString FaultName(ChainFault kind);

private:
    explicit ItemChain(qint64 parent) : m_parent(parent) {}
    void addProblem(ChainFault kind, qint64 systemId, const QString& text);

    qint64 m_parent;
    std::vector<ChainItem> m_items;
    std::vector<ChainItem> m_unreached;
    std::vector<ChainProblem> m_problems;
};

} // namespace vantrelis::dm
