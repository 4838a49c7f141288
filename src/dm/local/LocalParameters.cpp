#include "dm/local/LocalParameters.h"

#include "common/LibraryQueries.h"
#include "dm/local/LocalLibrary.h"

namespace vantrelis::dm::local {

namespace {

void Put(std::vector<LocalParameters::Entry>& entries, const QString& name, const QVariant& value) {
    for (auto& entry : entries) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) {
            entry.second = value;
            return;
        }
    }
    entries.emplace_back(name, value);
}

} // namespace

LocalParameters::LocalParameters(std::vector<Entry> entries) : m_entries(std::move(entries)) {}

QVariant LocalParameters::ParseValue(const QString& text) {
    const QString word = text.trimmed().toUpper();
    if (word == QLatin1String("Y") || word == QLatin1String("TRUE") || word == QLatin1String("1"))
        return QVariant(true);
    if (word == QLatin1String("N") || word == QLatin1String("FALSE") || word == QLatin1String("0"))
        return QVariant(false);
    return QVariant(text);
}

std::shared_ptr<LocalParameters> LocalParameters::Load(const LocalLibrary& library) {
    auto db = library.database();
    const qint64 userKey = library.userSystemId();

    // A member of a group with the administrators' universal access administers the library, as DM's
    // supervisors do: the folder-management rights default to theirs.
    const qint64 adminGroups =
        db->scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.GROUPS WHERE UNIV_ACCESS = ?3 AND "
                                  "(SYSTEM_ID = ?1 OR SYSTEM_ID IN (SELECT GROUPS_SYSTEM_ID FROM "
                                  "DOCSADM.PEOPLEGROUPS WHERE PEOPLE_SYSTEM_ID = ?2))"),
                   {library.primaryGroupId(), userKey, kAdministratorAccess})
            .toLongLong();
    const bool admin = adminGroups > 0;

    std::vector<Entry> entries = {
        {QStringLiteral("Library.Name"), library.name()},
        {QStringLiteral("Library.Engine"), EngineName(library.engineCode())},
        {QStringLiteral("User.ID"), library.userName()},
        {QStringLiteral("User.FullName"), library.fullName()},
        {QStringLiteral("User.PrimaryGroup"), library.primaryGroup()},
        {QStringLiteral("User.ManageRootFolders"), admin},
        {QStringLiteral("User.CreateFolder"), true},
        {QStringLiteral("User.DeleteDocs"), admin},
        {QStringLiteral("User.EditProfiles"), true},
        {QStringLiteral("User.ManageSecurity"), admin},
        {QStringLiteral("DOCSParms.UniqueDocNames"), false},
        {QStringLiteral("DOCSParms.FullTextIndexing"), true},
        {QStringLiteral("DOCSParms.DefaultSecurity"), QStringLiteral("Public")},
        {QStringLiteral("DOCSParms.EnhancedACL"), true},
        {QStringLiteral("DOCSParms.DefaultForm"), QString()},
        {QStringLiteral("DOCSParms.VersionLimit"), QStringLiteral("99")},
    };

    const QueryResult rows =
        db->query(QStringLiteral("SELECT USER_ID, NAME, VALUE FROM DOCSADM.LIBRARY_PARAMS "
                                 "WHERE USER_ID = '*' OR USER_ID = ?1"),
                  {library.userName()});
    // Everyone's rows first, then the user's, so the user's own value wins whatever the row order.
    for (const bool ownRows : {false, true}) {
        for (const auto& row : rows.rows) {
            const bool isOwn = row.at(0).toString() != QLatin1String("*");
            const QString name = row.at(1).toString().trimmed();
            if (isOwn != ownRows || name.isEmpty())
                continue;
            Put(entries, name, ParseValue(row.at(2).toString()));
        }
    }
    return std::make_shared<LocalParameters>(std::move(entries));
}

int LocalParameters::count() const {
    return static_cast<int>(m_entries.size());
}

QString LocalParameters::name(int index) const {
    if (index < 1 || index > count())
        return {};
    return m_entries[static_cast<std::size_t>(index - 1)].first;
}

QVariant LocalParameters::value(const QString& name) const {
    for (const auto& entry : m_entries) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
            return entry.second;
    }
    return {};
}

} // namespace vantrelis::dm::local
