#include "app/DmSettingsViewer.h"

#include "common/Prompter.h"

#include <utility>

namespace vantrelis::app {

namespace {

// The viewer only looks: a value it cannot read is left empty and the next one is tried.
template <typename Step> void Ignoring(Step step) noexcept {
    try {
        step();
    } catch (...) {
    }
}

} // namespace

DmSettingsViewer::DmSettingsViewer(dm::DmSession& session, Log& log, Connector connectLibrary)
    : m_session(session), m_log(log), m_connectLibrary(std::move(connectLibrary)) {}

QString DmSettingsViewer::ValueText(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return QString();
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return value.toString();
}

QString DmSettingsViewer::CurrentName() const {
    QString name;
    Ignoring([&] { name = m_session.LibraryName(); });
    return name;
}

bool DmSettingsViewer::Open() {
    if (!m_session.currentLibrary) {
        m_log.ShowMessage(QStringLiteral("Library object not set - cannot continue"), StyleCritical);
        return false;
    }
    m_openingLibrary = CurrentName();
    RefreshPanels();
    m_libraryNames.clear();
    Ignoring([&] {
        if (!m_session.libraries)
            return;
        const int count = m_session.libraries->count();
        for (int index = 1; index <= count; ++index) {
            Ignoring([&] {
                if (std::shared_ptr<dm::DmLibrary> library = m_session.libraries->item(index))
                    m_libraryNames.append(library->name());
            });
        }
    });
    m_libraryIndex = static_cast<int>(m_libraryNames.indexOf(m_openingLibrary));
    LoadParameters(QString());
    return true;
}

void DmSettingsViewer::RefreshPanels() {
    m_primaryLibrary.clear();
    m_userId.clear();
    m_primaryGroup.clear();
    Ignoring([&] {
        if (m_session.application)
            if (std::shared_ptr<dm::DmLibrary> primary = m_session.application->primaryLibrary())
                m_primaryLibrary = primary->name();
    });
    if (!m_session.currentLibrary)
        return;
    Ignoring([&] { m_userId = m_session.currentLibrary->userName(); });
    Ignoring([&] { m_primaryGroup = m_session.currentLibrary->primaryGroup(); });
}

void DmSettingsViewer::LoadParameters(const QString& keep) {
    m_parameters.reset();
    m_parameterNames.clear();
    m_parameterIndex = -1;
    Ignoring([&] {
        if (m_session.currentLibrary)
            m_parameters = m_session.currentLibrary->parameters();
    });
    if (m_parameters) {
        Ignoring([&] {
            const int count = m_parameters->count();
            for (int index = 1; index <= count; ++index)
                Ignoring([&] { m_parameterNames.append(m_parameters->name(index)); });
        });
    }
    QString chosen = keep;
    if (!m_parameterNames.contains(chosen))
        chosen = m_parameterNames.isEmpty() ? QString() : m_parameterNames.first();
    ChooseParameter(chosen);
}

void DmSettingsViewer::ChooseParameter(const QString& parameterName) {
    m_propertyResult.clear();
    m_parameterIndex = static_cast<int>(m_parameterNames.indexOf(parameterName));
    if (!m_parameters || parameterName.isEmpty())
        return;
    Ignoring([&] { m_propertyResult = ValueText(m_parameters->value(parameterName)); });
}

void DmSettingsViewer::ChooseLibrary(const QString& libraryName) {
    if (libraryName != CurrentName())
        Ignoring([&] { m_connectLibrary(libraryName); });
    RefreshPanels();
    // The chooser names the library whose facts are shown: after a connection that failed, that is
    // still the current one.
    m_libraryIndex = static_cast<int>(m_libraryNames.indexOf(CurrentName()));
    // Libraries report different parameters: the chooser lists the new library's, keeping the
    // parameter that was chosen when this library reports it too.
    const QString chosen = m_parameterIndex >= 0 ? m_parameterNames.at(m_parameterIndex) : QString();
    LoadParameters(chosen);
}

void DmSettingsViewer::Close() {
    if (m_openingLibrary.isEmpty())
        return;
    const QString name = std::exchange(m_openingLibrary, QString());
    Ignoring([&] { m_connectLibrary(name); });
}

} // namespace vantrelis::app
