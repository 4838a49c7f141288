#pragma once

#include "common/Log.h"
#include "dm/DmParameters.h"
#include "dm/DmSession.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

namespace vantrelis::app {

// What the DM settings viewer `QorvOptions` does, without its widgets: the login's libraries, the
// parameters the current library reports, the three status panels, and making the library that
// was current when it opened the current one again when it closes. It reads only through the DM
// object model and changes the current library only through the connection procedure it is given.
class DmSettingsViewer {
public:
    // ConnectLibrary of the program: true when the named library is the current one.
    using Connector = std::function<bool(const QString& libraryName)>;

    DmSettingsViewer(dm::DmSession& session, Log& log, Connector connectLibrary);

    // Form load. False, after the critical message, when there is no current library.
    bool Open();
    // `ComboLibList` click: connects the chosen library when it is not the current one.
    void ChooseLibrary(const QString& libraryName);
    // `ComboPropertyItem` click: shows the value of the parameter of that name.
    void ChooseParameter(const QString& parameterName);
    // Form unload: the library current at opening becomes current again.
    void Close();

    const QStringList& libraryNames() const { return m_libraryNames; }
    // Entry of `ComboLibList` shown as chosen; -1 for none.
    int libraryIndex() const { return m_libraryIndex; }
    const QStringList& parameterNames() const { return m_parameterNames; }
    int parameterIndex() const { return m_parameterIndex; }
    // `LabelPropertyResult`.
    const QString& propertyResult() const { return m_propertyResult; }
    // The panels of `StatusBarInfo`: primary library, user ID, primary group.
    const QString& primaryLibrary() const { return m_primaryLibrary; }
    const QString& userId() const { return m_userId; }
    const QString& primaryGroup() const { return m_primaryGroup; }
    // The library to make current again on closing; empty once done.
    const QString& openingLibrary() const { return m_openingLibrary; }

    // A parameter's value as the label shows it; booleans as "True" and "False".
    static QString ValueText(const QVariant& value);

private:
    QString CurrentName() const;
    void RefreshPanels();
    void LoadParameters(const QString& keep);

    dm::DmSession& m_session;
    Log& m_log;
    Connector m_connectLibrary;

    QStringList m_libraryNames;
    int m_libraryIndex = -1;
    std::shared_ptr<dm::DmParameters> m_parameters;
    QStringList m_parameterNames;
    int m_parameterIndex = -1;
    QString m_propertyResult;
    QString m_primaryLibrary;
    QString m_userId;
    QString m_primaryGroup;
    QString m_openingLibrary;
};

} // namespace vantrelis::app
