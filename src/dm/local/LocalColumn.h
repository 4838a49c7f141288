#pragma once

#include "dm/DmColumn.h"

#include <memory>

namespace vantrelis::dm::local {

class LocalProfile;

// One column of a profile; reads and writes go to the profile's values.
class LocalColumn : public DmColumn {
public:
    LocalColumn(std::shared_ptr<LocalProfile> profile, int column);

    QString name() const override;
    QString value() const override;
    void setValue(const QString& value) override;
    bool isProtected() const override;

private:
    std::shared_ptr<LocalProfile> m_profile;
    int m_column;
};

} // namespace vantrelis::dm::local
