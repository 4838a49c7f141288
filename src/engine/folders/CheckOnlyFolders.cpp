#include "engine/folders/CheckOnlyFolders.h"

#include "common/FaultReport.h"
#include "common/SqlText.h"
#include "common/StandardLines.h"
#include "common/Text.h"
#include "dm/SqlRows.h"
#include "engine/folders/FolderSupport.h"

#include <limits>

namespace vantrelis::engine {

namespace {

QString PlanKey(const QString& library, qint32 parent, const QString& name) {
    return library.toUpper() + QLatin1Char('\n') + QString::number(parent) + QLatin1Char('\n') + name;
}

} // namespace

CheckOnlyFolders::CheckOnlyFolders(FolderOperations& engine, dm::SqlGateway& gateway, Log& log)
    : m_engine(engine), m_gateway(gateway), m_log(log), m_finder(gateway, log, *this) {}

void CheckOnlyFolders::setCheckOnly(bool on) {
    m_checkOnly = on;
    m_planned.clear();
    m_plannedNumbers.clear();
    m_plans.clear();
    m_filed.clear();
    m_engine.ForgetRunState();
}

qint32 CheckOnlyFolders::CreateFolder(const QString& folderName, qint32 parentFolder, const QString& formName,
                                      int ruleIndex, qint32 sortAfterAdd, const LineColumns& lineColumns) {
    if (!m_checkOnly)
        return m_engine.CreateFolder(folderName, parentFolder, formName, ruleIndex, sortAfterAdd,
                                     lineColumns);
    m_folderCreated = false;
    const QString key = PlanKey(m_gateway.session().LibraryName(), parentFolder, folderName);
    if (const auto planned = m_planned.constFind(key); planned != m_planned.constEnd()) {
        m_log.WriteLog(QStringLiteral("Check only: folder ") + InQuotes(folderName) +
                       QStringLiteral(" would be created for an earlier line"));
        m_log.WriteLog(StandardLines::StepSeparator());
        return planned.value();
    }
    const QString where = parentFolder == 0 ? QStringLiteral("at the top level")
                          : IsPlanned(parentFolder)
                              ? QStringLiteral("in the folder above, which would be created too")
                              : QStringLiteral("in folder #") + FormatWhole(parentFolder);
    m_log.WriteLog(QStringLiteral("Check only: folder ") + InQuotes(folderName) +
                   QStringLiteral(" would be created ") + where);
    m_log.WriteLog(StandardLines::StepSeparator());
    const qint32 number = std::numeric_limits<qint32>::max() - static_cast<qint32>(m_plannedNumbers.size());
    m_planned.insert(key, number);
    m_plannedNumbers.insert(number);
    Plan plan{parentFolder, {}};
    for (const auto& [column, key] : lineColumns.columns)
        plan.columns.insert(column.toUpper(), key);
    m_plans.insert(number, plan);
    m_folderCreated = true;
    return number;
}

bool CheckOnlyFolders::AddFolderItem(qint32 itemDocNumber, qint32 parentFolder, const QString& nodeType,
                                     int ruleIndex, qint32 sortAfterAdd) {
    if (!m_checkOnly)
        return m_engine.AddFolderItem(itemDocNumber, parentFolder, nodeType, ruleIndex, sortAfterAdd);
    m_itemExisted = false;
    const QString filed = m_gateway.session().LibraryName().toUpper() + QLatin1Char('\n') +
                          QString::number(parentFolder) + QLatin1Char('\n') + QString::number(itemDocNumber);
    if (m_filed.contains(filed)) {
        m_itemExisted = true;
        return true;
    }
    try {
        const dm::SqlRows rows(m_gateway,
                               QStringLiteral("SELECT COUNT(*) FROM ") + OwnerPrefix() +
                                   QStringLiteral("FOLDER_ITEM WHERE PARENT = ") + FormatWhole(parentFolder) +
                                   QStringLiteral(" AND DOCNUMBER = ") + FormatWhole(itemDocNumber));
        m_itemExisted = rows.scalar() > 0;
        if (!m_itemExisted)
            m_filed.insert(filed);
        return true;
    } catch (...) {
        ReportCurrentFault(m_log);
        return false;
    }
}

QString CheckOnlyFolders::AddDocsSQL(qint32 folderDocNumber, int ruleIndex) {
    if (m_checkOnly && IsPlanned(folderDocNumber)) {
        PlannedProfile profile;
        qint32 folder = folderDocNumber;
        // Up to the nearest folder in the library; the nearest line's value of a column wins.
        while (IsPlanned(folder)) {
            const Plan plan = m_plans.value(folder);
            for (auto column = plan.columns.constBegin(); column != plan.columns.constEnd(); ++column) {
                if (!profile.columns.contains(column.key()))
                    profile.columns.insert(column.key(), column.value());
            }
            folder = plan.parent;
        }
        profile.realAncestor = folder;
        return m_engine.PlannedDocsSQL(profile, ruleIndex);
    }
    return m_engine.AddDocsSQL(folderDocNumber, ruleIndex);
}

bool CheckOnlyFolders::FolderCreated() const {
    return m_checkOnly ? m_folderCreated : m_engine.FolderCreated();
}

void CheckOnlyFolders::setFolderCreated(bool created) {
    if (m_checkOnly)
        m_folderCreated = created;
    else
        m_engine.setFolderCreated(created);
}

bool CheckOnlyFolders::ItemExisted() const {
    return m_checkOnly ? m_itemExisted : m_engine.ItemExisted();
}

} // namespace vantrelis::engine
