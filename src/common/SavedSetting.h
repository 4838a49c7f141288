#pragma once

#include "common/SettingsStore.h"

#include <QString>

namespace vantrelis {

// One saved per-user setting: where it lives (application, section, key) and what reading it gives when
// it was never saved. The named constructors are the program's settings, so callers never repeat the
// literals. Switches are saved as "1"/"0", Booleans as "-1"/"0".
class SavedSetting {
public:
    SavedSetting(QString application, QString section, QString key, QString defaultValue);

    const QString& application() const { return m_application; }
    const QString& section() const { return m_section; }
    const QString& key() const { return m_key; }
    const QString& defaultValue() const { return m_defaultValue; }

    QString read(const SettingsStore& store) const;
    void save(SettingsStore& store, const QString& value) const;

    // Application name of the two flags that record the registration of the component libraries.
    static QString QorvApplication();

    // "General" of the product: the program's own path, written at every start.
    static SavedSetting Path();
    // "General" of "QORV": "-1" once the DM API library registration has been done.
    static SavedSetting RegisterAPI();
    // "General" of "QORV": "-1" once QorvClasses is registered or the user declined reminders.
    static SavedSetting RegisterQorvClasses();
    // Window position in twips; empty means centred on the screen.
    static SavedSetting ScreenLeft();
    static SavedSetting ScreenTop();
    // Log base name; the default is the place the log goes when none is configured.
    static SavedSetting LogFile(const QString& defaultBaseName);
    // Verbose logging check box, "1" by default.
    static SavedSetting LogMethod();
    static SavedSetting LastImportFile();
    static SavedSetting ComboImportSet();
    static SavedSetting CheckAddNewDocs();
    static SavedSetting CheckAddExistingDocs();
    // "Fill new folders from the import line", "0" by default.
    static SavedSetting CheckFillFromLine();
    // Whether a library is ticked in the library list; a library never seen before is ticked.
    static SavedSetting Library(const QString& libraryName);
    // "Warning" / "RegisterAPI" of the product: the DM server interface warning was shown once.
    static SavedSetting WarningRegisterAPI();
    // Per-library section: the unique-document-names warning was shown.
    static SavedSetting UniqueNameWarning(const QString& libraryName);

private:
    QString m_application;
    QString m_section;
    QString m_key;
    QString m_defaultValue;
};

} // namespace vantrelis
