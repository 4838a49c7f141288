#include "engine/security/ProfilePartiesLookup.h"

#include "common/SqlText.h"
#include "common/Text.h"
#include "dm/SqlRows.h"

namespace vantrelis::engine {

ProfilePartiesLookup::ProfilePartiesLookup(dm::SqlGateway& gateway, Log& log)
    : m_gateway(gateway), m_log(log) {}

bool ProfilePartiesLookup::Read(const QString& doc, ProfileParties& parties) {
    const QString o = OwnerPrefix();
    dm::SqlRows rows(
        m_gateway,
        QStringLiteral("SELECT P.SYSTEM_ID, A.USER_ID, T.USER_ID, AG.GROUP_ID, TG.GROUP_ID ") +
            QStringLiteral("FROM ") + o + QStringLiteral("PROFILE P, ") + o + QStringLiteral("PEOPLE A, ") +
            o + QStringLiteral("PEOPLE T, ") + o + QStringLiteral("GROUPS AG, ") + o +
            QStringLiteral("GROUPS TG ") + QStringLiteral("WHERE ") +
            QStringLiteral("A.SYSTEM_ID = P.AUTHOR AND T.SYSTEM_ID = P.TYPIST AND ") +
            QStringLiteral("AG.SYSTEM_ID = A.PRIMARY_GROUP AND TG.SYSTEM_ID = T.PRIMARY_GROUP AND ") +
            QStringLiteral("P.DOCNUMBER = ") + doc);
    if (!rows.first())
        return false;
    parties.authorId = rows.value(2);
    parties.typistId = rows.value(3);
    parties.authorGroup = rows.value(4);
    parties.typistGroup = rows.value(5);
    return true;
}

bool ProfilePartiesLookup::LookupKeepingSecurity(qint64 docNumber, ProfileParties& parties) {
    const QString doc = FormatWhole(docNumber);
    if (Read(doc, parties))
        return true;
    m_log.ShowStatus(QStringLiteral("Error: Unable to access profile author and typist information for "
                                    "document #") +
                     doc + QStringLiteral(" - its security is left as it was and it is not filed"));
    return false;
}

bool ProfilePartiesLookup::Lookup(qint64 docNumber, ProfileParties& parties) {
    const QString o = OwnerPrefix();
    const QString doc = FormatWhole(docNumber);
    if (Read(doc, parties))
        return true;

    m_log.ShowStatus(
        QStringLiteral("Warning: Unable to access profile author and typist information for document #") +
        doc);
    m_gateway.ExecuteSQL(QStringLiteral("UPDATE ") + o +
                         QStringLiteral("PROFILE SET DEFAULT_RIGHTS = 0 WHERE DOCNUMBER = ") + doc);
    m_gateway.Release();
    m_gateway.ExecuteSQL(QStringLiteral("INSERT INTO ") + o +
                         QStringLiteral("SECURITY (PERSONORGROUP, ACCESSRIGHTS, THING) ") +
                         QStringLiteral("SELECT 0, 255, SYSTEM_ID FROM ") + o +
                         QStringLiteral("PROFILE WHERE DOCNUMBER = ") + doc);
    m_gateway.Release();
    return false;
}

} // namespace vantrelis::engine
