#pragma once

#include "dm/DmFolder.h"

#include <memory>

namespace vantrelis::dm::local {

class LocalProfile;

// A folder: its name is its profile's DOCNAME, its public flag its FOLDER.IS_PUBLIC; saving the
// folder saves its profile, so errors of either are read on both.
class LocalFolder : public DmFolder {
public:
    explicit LocalFolder(std::shared_ptr<LocalProfile> profile);

    QString name() const override;
    void setName(const QString& name) override;
    // DM's display text of a new folder. The schema has no column for it: kept with the object.
    void setSecondaryName(const QString& text) override { m_secondaryName = text; }
    const QString& secondaryName() const { return m_secondaryName; }
    qint64 docNumber() const override;
    bool isPublic() const override;
    void setPublic(bool isPublic) override;
    // Rows of FOLDER_ITEM under the folder; 0 for a folder not yet saved.
    int itemCount() const override;
    std::shared_ptr<DmProfile> profile() override;
    bool save(int mode) override;
    qint64 errorNumber() const override;
    QString errorText() const override;

private:
    std::shared_ptr<LocalProfile> m_profile;
    QString m_secondaryName;
};

} // namespace vantrelis::dm::local
