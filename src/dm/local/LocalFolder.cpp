#include "dm/local/LocalFolder.h"

#include "dm/local/LocalLibrary.h"
#include "dm/local/LocalProfile.h"
#include "dm/local/ProfileColumnMap.h"

namespace vantrelis::dm::local {

namespace {
int DocNameColumn() {
    return ProfileColumnIndex(QStringLiteral("DOCNAME"));
}
} // namespace

LocalFolder::LocalFolder(std::shared_ptr<LocalProfile> profile) : m_profile(std::move(profile)) {}

QString LocalFolder::name() const {
    return m_profile->columnValue(DocNameColumn());
}

void LocalFolder::setName(const QString& name) {
    m_profile->setColumnValue(DocNameColumn(), name);
}

qint64 LocalFolder::docNumber() const {
    return m_profile->docNumber();
}

bool LocalFolder::isPublic() const {
    return m_profile->isPublic();
}

void LocalFolder::setPublic(bool isPublic) {
    m_profile->setPublic(isPublic);
}

int LocalFolder::itemCount() const {
    if (m_profile->isNew())
        return 0;
    return m_profile->library()
        ->database()
        ->scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.FOLDER_ITEM WHERE PARENT = ?1"),
                 {m_profile->docNumber()})
        .toInt();
}

std::shared_ptr<DmProfile> LocalFolder::profile() {
    return m_profile;
}

bool LocalFolder::save(int mode) {
    return m_profile->save(mode);
}

qint64 LocalFolder::errorNumber() const {
    return m_profile->errorNumber();
}

QString LocalFolder::errorText() const {
    return m_profile->errorText();
}

} // namespace vantrelis::dm::local
