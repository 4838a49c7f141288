#include "common/SavedSetting.h"

#include "common/ProductInfo.h"

namespace vantrelis {

namespace {

SavedSetting General(const QString& key, const QString& defaultValue) {
    return SavedSetting(ProductName(), QStringLiteral("General"), key, defaultValue);
}

} // namespace

SavedSetting::SavedSetting(QString application, QString section, QString key, QString defaultValue)
    : m_application(std::move(application)), m_section(std::move(section)), m_key(std::move(key)),
      m_defaultValue(std::move(defaultValue)) {}

QString SavedSetting::read(const SettingsStore& store) const {
    return store.read(m_application, m_section, m_key, m_defaultValue);
}

void SavedSetting::save(SettingsStore& store, const QString& value) const {
    store.save(m_application, m_section, m_key, value);
}

QString SavedSetting::QorvApplication() {
    return QStringLiteral("QORV");
}

SavedSetting SavedSetting::Path() {
    return General(QStringLiteral("Path"), QString());
}

SavedSetting SavedSetting::RegisterAPI() {
    return SavedSetting(QorvApplication(), QStringLiteral("General"), QStringLiteral("RegisterAPI"),
                        QStringLiteral("0"));
}

SavedSetting SavedSetting::RegisterQorvClasses() {
    return SavedSetting(QorvApplication(), QStringLiteral("General"), QStringLiteral("RegisterQorvClasses"),
                        QStringLiteral("0"));
}

SavedSetting SavedSetting::ScreenLeft() {
    return General(QStringLiteral("Screen.Left"), QString());
}

SavedSetting SavedSetting::ScreenTop() {
    return General(QStringLiteral("Screen.Top"), QString());
}

SavedSetting SavedSetting::LogFile(const QString& defaultBaseName) {
    return General(QStringLiteral("LogFile"), defaultBaseName);
}

SavedSetting SavedSetting::LogMethod() {
    return General(QStringLiteral("LogMethod"), QStringLiteral("1"));
}

SavedSetting SavedSetting::LastImportFile() {
    return General(QStringLiteral("LastImportFile"), QString());
}

SavedSetting SavedSetting::ComboImportSet() {
    return General(QStringLiteral("ComboImportSet"), QString());
}

SavedSetting SavedSetting::CheckAddNewDocs() {
    return General(QStringLiteral("CheckAddNewDocs"), QStringLiteral("1"));
}

SavedSetting SavedSetting::CheckAddExistingDocs() {
    return General(QStringLiteral("CheckAddExistingDocs"), QStringLiteral("1"));
}

SavedSetting SavedSetting::CheckFillFromLine() {
    return General(QStringLiteral("CheckFillFromLine"), QStringLiteral("0"));
}

SavedSetting SavedSetting::Library(const QString& libraryName) {
    return SavedSetting(ProductName(), QStringLiteral("Libraries"), libraryName, QStringLiteral("1"));
}

SavedSetting SavedSetting::WarningRegisterAPI() {
    return SavedSetting(ProductName(), QStringLiteral("Warning"), QStringLiteral("RegisterAPI"),
                        QStringLiteral("0"));
}

SavedSetting SavedSetting::UniqueNameWarning(const QString& libraryName) {
    return SavedSetting(ProductName(), libraryName, QStringLiteral("UniqueNameWarning"), QStringLiteral("0"));
}

} // namespace vantrelis
