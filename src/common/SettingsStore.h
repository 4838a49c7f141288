#pragma once

#include <QString>

namespace vantrelis {

// Per-user saved settings addressed by application name, section and key; values are text.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString read(const QString& application, const QString& section, const QString& key,
                         const QString& defaultValue = QString()) const = 0;
    virtual void save(const QString& application, const QString& section, const QString& key,
                      const QString& value) = 0;
};

} // namespace vantrelis
