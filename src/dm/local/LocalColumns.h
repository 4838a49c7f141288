#pragma once

#include "dm/DmColumns.h"

#include <memory>

namespace vantrelis::dm::local {

class LocalProfile;

// The column collection of a profile: a view on the profile's values in ProfileColumns() order.
class LocalColumns : public DmColumns {
public:
    explicit LocalColumns(std::shared_ptr<LocalProfile> profile);

    int count() const override;
    std::shared_ptr<DmColumn> item(int index) const override;
    std::shared_ptr<DmColumn> item(const QString& name) const override;
    void fillDefaults() override;

private:
    std::shared_ptr<LocalProfile> m_profile;
};

} // namespace vantrelis::dm::local
