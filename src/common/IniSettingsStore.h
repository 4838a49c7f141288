#pragma once

#include "common/SettingsStore.h"

#include <QString>

namespace vantrelis {

// Saved settings as one INI file per application name: <folder>/<application>.ini, section = INI group,
// key = INI key. The folder is $XDG_CONFIG_HOME/vantrelis unless given.
// A missing, unreadable or corrupt file reads as the defaults; saving never raises.
class IniSettingsStore : public SettingsStore {
public:
    IniSettingsStore();
    explicit IniSettingsStore(QString folder);

    const QString& folder() const { return m_folder; }
    QString fileName(const QString& application) const;

    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& defaultValue = QString()) const override;
    void save(const QString& application, const QString& section, const QString& key,
              const QString& value) override;

    // The per-user settings folder of the program.
    static QString UserConfigFolder();

private:
    QString m_folder;
};

} // namespace vantrelis
