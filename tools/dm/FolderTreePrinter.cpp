#include "FolderTreePrinter.h"

#include "dm/local/FolderChain.h"
#include "dm/local/LibraryStore.h"

#include <QStringList>

namespace vantrelis::tools {

using dm::ChainItem;
using dm::ItemChain;
using dm::local::FolderChain;

namespace {
// Deeper levels keep this indentation and show their level number, so that a very deep tree does not
// print lines that grow with every level.
constexpr int kIndentedLevels = 40;
} // namespace

FolderTreePrinter::FolderTreePrinter(dm::local::LibraryStore& database, QTextStream& out, bool withDocuments)
    : m_db(database), m_out(out), m_withDocuments(withDocuments) {}

QString FolderTreePrinter::Indent(int depth) {
    if (depth <= kIndentedLevels)
        return QString(depth * 2, QLatin1Char(' '));
    return QString(kIndentedLevels * 2, QLatin1Char(' ')) + QStringLiteral("[%1] ").arg(depth);
}

bool FolderTreePrinter::IsFolder(qint64 docNumber) {
    return !m_db.query(QStringLiteral("SELECT 1 FROM DOCSADM.FOLDER WHERE DOCNUMBER = ?1"), {docNumber})
                .rows.empty();
}

qint64 FolderTreePrinter::ParentOf(qint64 docNumber) {
    const QVariant parent = m_db.scalar(
        QStringLiteral("SELECT MIN(PARENT) FROM DOCSADM.FOLDER_ITEM WHERE DOCNUMBER = ?1 AND LIBRARY = 0"),
        {docNumber});
    return parent.isNull() ? 0 : parent.toLongLong();
}

bool FolderTreePrinter::PrintTree(qint64 docNumber, const QString& name) {
    m_sound = true;
    Enter(docNumber, name, 1);
    while (!m_stack.empty()) {
        Frame& frame = m_stack.back();
        if (frame.nextItem >= frame.chain.items().size()) {
            Finish(frame);
            m_ancestors.remove(frame.docNumber);
            m_stack.pop_back();
            continue;
        }
        const ChainItem item = frame.chain.items()[frame.nextItem++];
        const int depth = frame.depth;
        if (IsFolder(item.docNumber))
            Enter(item.docNumber, item.displayName, depth + 1); // `frame` is not used after this
        else if (m_withDocuments)
            m_out << Indent(depth) << "  - " << item.displayName << "  (#" << item.docNumber << ")\n";
        else
            ++frame.documents;
    }
    return m_sound;
}

void FolderTreePrinter::Enter(qint64 docNumber, const QString& name, int depth) {
    const dm::local::QueryResult facts = m_db.query(
        QStringLiteral("SELECT F.IS_PUBLIC, C.CLIENT_ID, M.MATTER_ID FROM DOCSADM.FOLDER F "
                       "JOIN DOCSADM.PROFILE P ON P.DOCNUMBER = F.DOCNUMBER "
                       "LEFT JOIN DOCSADM.MATTER M ON M.SYSTEM_ID = P.MATTER "
                       "LEFT JOIN DOCSADM.CLIENT C ON C.SYSTEM_ID = M.CLIENT_ID WHERE F.DOCNUMBER = ?1"),
        {docNumber});
    QString details = QStringLiteral("#%1").arg(docNumber);
    if (!facts.rows.empty()) {
        const auto& row = facts.rows.front();
        details += row[0].toString().compare(QLatin1String("Y"), Qt::CaseInsensitive) == 0
                       ? QStringLiteral(", public")
                       : QStringLiteral(", private");
        if (!row[2].isNull() && row[2].isValid())
            details += QStringLiteral(", matter %1/%2").arg(row[1].toString(), row[2].toString());
    }
    const QString indent = Indent(depth);
    m_out << indent << name << "  (" << details << ")\n";
    if (m_ancestors.contains(docNumber)) {
        m_out << indent << "  ! folder #" << docNumber << " contains itself further up; not followed\n";
        m_sound = false;
        return;
    }
    m_ancestors.insert(docNumber);
    m_visited.insert(docNumber);
    m_stack.push_back(Frame{docNumber, depth, FolderChain::Read(m_db, docNumber)});
}

void FolderTreePrinter::PrintItem(const ChainItem& item, int depth, const QString& mark) {
    if (IsFolder(item.docNumber))
        m_out << Indent(depth) << "  " << mark << item.displayName << "  (#" << item.docNumber
              << ", folder)\n";
    else
        m_out << Indent(depth) << "  " << mark << "- " << item.displayName << "  (#" << item.docNumber
              << ")\n";
}

void FolderTreePrinter::Finish(const Frame& frame) {
    const QString indent = Indent(frame.depth);
    if (frame.documents > 0)
        m_out << indent << "  [" << frame.documents << " document(s)]\n";
    for (const auto& problem : frame.chain.problems()) {
        m_out << indent << "  ! chain broken (" << ItemChain::FaultName(problem.kind) << "): " << problem.text
              << '\n';
        m_sound = false;
    }
    for (const auto& item : frame.chain.unreached())
        PrintItem(item, frame.depth, QStringLiteral("? "));
}

bool FolderTreePrinter::PrintUnreachedCycles() {
    const dm::local::QueryResult all =
        m_db.query(QStringLiteral("SELECT F.DOCNUMBER, P.DOCNAME FROM DOCSADM.FOLDER F, DOCSADM.PROFILE P "
                                  "WHERE F.DOCNUMBER = P.DOCNUMBER ORDER BY F.DOCNUMBER"));
    QHash<qint64, QString> names;
    for (const auto& row : all.rows)
        names.insert(row[0].toLongLong(), row[1].toString());
    bool sound = true;
    QSet<qint64> checked; // folders whose way up has been followed already
    for (const auto& row : all.rows) {
        const qint64 start = row[0].toLongLong();
        // Up from a folder no tree reached, one holder at a time, until the way up meets a folder
        // already seen: on this way up it closes a cycle, elsewhere the folder hangs below one
        // found before or below a broken chain's unreached item.
        QList<qint64> way;
        QSet<qint64> onWay;
        qint64 folder = start;
        while (folder != 0 && !m_visited.contains(folder) && !checked.contains(folder) &&
               !onWay.contains(folder)) {
            way.append(folder);
            onWay.insert(folder);
            folder = ParentOf(folder);
        }
        checked.unite(onWay);
        if (!onWay.contains(folder))
            continue;
        QStringList cycle;
        for (qsizetype i = way.indexOf(folder); i < way.size(); ++i)
            cycle << QStringLiteral("#%1").arg(way[i]);
        cycle << QStringLiteral("#%1").arg(folder);
        m_out << "! folders held only by a cycle (" << cycle.join(QStringLiteral(" in ")) << ")"
              << ", which no top-level folder reaches:\n";
        PrintTree(folder, names.value(folder));
        sound = false;
    }
    return sound;
}

} // namespace vantrelis::tools
