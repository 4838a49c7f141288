#include "gui/MessageBoxPrompter.h"

#include <QApplication>
#include <QMessageBox>

namespace vantrelis::gui {

int MessageBoxPrompter::ask(const QString& prompt, int style, const QString& title) {
    QMessageBox box(QApplication::activeWindow());
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setWindowTitle(title);
    box.setText(prompt);
    // The low bits choose the buttons, the next ones the icon (a question may carry a warning icon).
    switch (style & 0x0F) {
    case StyleYesNoCancel:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case StyleYesNo:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    default:
        break;
    }
    switch (style & 0x70) {
    case StyleCritical:
        box.setIcon(QMessageBox::Critical);
        break;
    case StyleExclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case StyleInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return AnswerYes;
    case QMessageBox::No:
        return AnswerNo;
    case QMessageBox::Cancel:
        return AnswerCancel;
    default:
        return 0;
    }
}

} // namespace vantrelis::gui
