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

    // Why the settings file of an application cannot be used (it is no regular file or too large),
    // naming the file; empty when it can, or when there is none yet. Such a file reads as the
    // defaults and is never written.
    QString problem(const QString& application) const;

    // The per-user settings folder of the program.
    static QString UserConfigFolder();

private:
    QString m_folder;
};

} // namespace vantrelis
