#pragma once

#include "app/SplashView.h"
#include "gui/LabelStatusView.h"

#include <QDialog>

class QFrame;
class QLabel;

namespace vantrelis::gui {

// The splash window: the status window while the program starts, and the About window.
// A key press, or a click on its frame, closes it and hands the focus back to its owner.
class QorvSplash : public QDialog, public LabelStatusView<app::SplashView> {
    Q_OBJECT
public:
    // The design caption of the product label.
    static QString DesignProductName() {
        return QStringLiteral("Vantrelis for OpenText eDOCS Import Utility");
    }

    // `owner` is the main window: enabled and focused again when the splash closes.
    explicit QorvSplash(QWidget* owner = nullptr);

    // The product label's design caption + " " + the DM version text (nothing added when empty).
    void setDmVersion(const QString& versionText) override;
    // The version label: "Build " + build + " - " + build date.
    void setBuild(const QString& build, const QString& buildDate) override;
    void showSplash() override;
    // Closes the window as a key press or a click on its frame does.
    void Unload() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_KeyPress();
    void QorvSplashFrame_MouseUp();

    QWidget* m_owner;
    QFrame* m_frame;
    QLabel* m_productName;
    QLabel* m_version;
};

} // namespace vantrelis::gui
