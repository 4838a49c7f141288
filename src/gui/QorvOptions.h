#pragma once

#include "app/DmSettingsViewer.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace vantrelis::gui {

// The DM settings viewer: the parameters the DM library reports for the login, library by library,
// with the primary library, user ID and primary group in its status bar. It changes nothing; a
// library chosen here stays current only while it is open.
class QorvOptions : public QDialog {
    Q_OBJECT
public:
    explicit QorvOptions(app::DmSettingsViewer& viewer, QWidget* parent = nullptr);

    // Loads the form and shows it modally; without a current library only the message is shown.
    static int ShowModal(app::DmSettingsViewer& viewer, QWidget* parent);

    // Form load: false when there is no current library (the message has been shown).
    bool Form_Load();

public Q_SLOTS:
    // Closing in any way unloads the form, which makes the opening library current again.
    void done(int result) override;

private:
    void ComboLibList_Click(int index);
    void ComboPropertyItem_Click(int index);
    void ShowAll();

    app::DmSettingsViewer& m_viewer;
    bool m_loaded = false;

    QComboBox* m_comboLibList = nullptr;
    QComboBox* m_comboPropertyItem = nullptr;
    QLabel* m_propertyResult = nullptr;
    QLabel* m_panelLibrary = nullptr;
    QLabel* m_panelUser = nullptr;
    QLabel* m_panelGroup = nullptr;
    QPushButton* m_buttonExit = nullptr;
};

} // namespace vantrelis::gui
