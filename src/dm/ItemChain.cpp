#include "dm/ItemChain.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <algorithm>

namespace vantrelis::dm {

ItemChain ItemChain::Analyse(qint64 parent, std::vector<ChainItem> rows, const ParentOfRow& parentOfRow) {
    ItemChain chain(parent);
    if (rows.empty())
        return chain;
    std::sort(rows.begin(), rows.end(),
              [](const ChainItem& a, const ChainItem& b) { return a.systemId < b.systemId; });
    QHash<qint64, std::size_t> bySystemId;
    std::vector<qint64> heads;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        bySystemId.insert(rows[i].systemId, i);
        if (rows[i].isFirst)
            heads.push_back(rows[i].systemId);
    }
    if (heads.empty()) {
        chain.addProblem(ChainFault::NoHead, 0,
                         QStringLiteral("no row has ISFIRST 'Y' (%1 rows)").arg(rows.size()));
    } else if (heads.size() > 1) {
        QStringList ids;
        for (qint64 id : heads)
            ids << QString::number(id);
        chain.addProblem(ChainFault::SeveralHeads, heads.front(),
                         QStringLiteral("%1 rows have ISFIRST 'Y': %2")
                             .arg(heads.size())
                             .arg(ids.join(QStringLiteral(", "))));
    }

    QSet<qint64> visited;
    if (!heads.empty()) {
        qint64 current = heads.front();
        for (;;) {
            const ChainItem& item = rows[bySystemId.value(current)];
            visited.insert(current);
            chain.m_items.push_back(item);
            if (item.next == 0)
                break;
            if (visited.contains(item.next)) {
                chain.addProblem(
                    ChainFault::Cycle, item.systemId,
                    QStringLiteral("row %1 points back to row %2").arg(item.systemId).arg(item.next));
                break;
            }
            if (!bySystemId.contains(item.next)) {
                const std::optional<qint64> otherParent =
                    parentOfRow ? parentOfRow(item.next) : std::optional<qint64>();
                if (otherParent) {
                    chain.addProblem(ChainFault::ForeignNext, item.systemId,
                                     QStringLiteral("row %1 points to row %2 of folder #%3")
                                         .arg(item.systemId)
                                         .arg(item.next)
                                         .arg(*otherParent));
                } else {
                    chain.addProblem(ChainFault::MissingNext, item.systemId,
                                     QStringLiteral("row %1 points to row %2, which does not exist")
                                         .arg(item.systemId)
                                         .arg(item.next));
                }
                break;
            }
            current = item.next;
        }
    }

    for (const ChainItem& item : rows) {
        if (!visited.contains(item.systemId))
            chain.m_unreached.push_back(item);
    }
    if (!chain.m_unreached.empty()) {
        QStringList ids;
        for (const ChainItem& item : chain.m_unreached)
            ids << QString::number(item.systemId);
        chain.addProblem(ChainFault::Unreached, chain.m_unreached.front().systemId,
                         QStringLiteral("%1 row(s) not reached by the chain: %2")
                             .arg(chain.m_unreached.size())
                             .arg(ids.join(QStringLiteral(", "))));
    }
    return chain;
}

void ItemChain::addProblem(ChainFault kind, qint64 systemId, const QString& text) {
    m_problems.push_back({kind, systemId, text});
}

QString ItemChain::FaultName(ChainFault kind) {
    switch (kind) {
    case ChainFault::NoHead:
        return QStringLiteral("no head");
    case ChainFault::SeveralHeads:
        return QStringLiteral("several heads");
    case ChainFault::MissingNext:
        return QStringLiteral("missing next");
    case ChainFault::ForeignNext:
        return QStringLiteral("next in another folder");
    case ChainFault::Cycle:
        return QStringLiteral("cycle");
    case ChainFault::Unreached:
        return QStringLiteral("unreached rows");
    }
    return QString();
}

} // namespace vantrelis::dm
