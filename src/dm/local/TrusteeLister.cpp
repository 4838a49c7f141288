#include "dm/local/TrusteeLister.h"

#include "common/Fault.h"
#include "dm/DmConstants.h"
#include "dm/local/LibraryAdmin.h"

namespace vantrelis::dm::local {

std::vector<TrusteeEntry> TrusteeLister::List(LibraryStore& database, qint64 docNumber) {
    const QVariant thing = database.scalar(
        QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"), {docNumber});
    if (!thing.isValid() || thing.isNull()) {
        throw Fault(kAdminUnknownName, QStringLiteral("TrusteeLister"),
                    QStringLiteral("Unknown document #%1 (no PROFILE row)").arg(docNumber));
    }
    // Person and group keys come from one counter, so at most one of the two joins matches.
    const QueryResult result =
        database.query(QStringLiteral("SELECT S.PERSONORGROUP, S.ACCESSRIGHTS, U.USER_ID, G.GROUP_ID "
                                      "FROM DOCSADM.SECURITY S "
                                      "LEFT JOIN DOCSADM.PEOPLE U ON U.SYSTEM_ID = S.PERSONORGROUP "
                                      "LEFT JOIN DOCSADM.GROUPS G ON G.SYSTEM_ID = S.PERSONORGROUP "
                                      "WHERE S.THING = ?1 ORDER BY S.rowid"),
                       {thing});
    std::vector<TrusteeEntry> entries;
    for (const auto& row : result.rows) {
        TrusteeEntry entry;
        entry.id = row[0].toLongLong();
        entry.rights = row[1].toLongLong();
        if (!row[2].isNull() && row[2].isValid()) {
            entry.name = row[2].toString();
        } else if (!row[3].isNull() && row[3].isValid()) {
            entry.name = row[3].toString();
            entry.isGroup = true;
        }
        entries.push_back(entry);
    }
    return entries;
}

QString TrusteeLister::RightsText(qint64 rights) {
    return rights == kDeniedRights ? QStringLiteral("DENY") : QString::number(rights);
}

QString TrusteeLister::KindText(const TrusteeEntry& entry) {
    if (entry.id == 0) {
        return QStringLiteral("trustee 0");
    }
    if (entry.name.isEmpty()) {
        return QStringLiteral("unknown");
    }
    return entry.isGroup ? QStringLiteral("group") : QStringLiteral("person");
}

} // namespace vantrelis::dm::local
