#include "gui/LabelStatusView.h"

#include "gui/ElidedLabel.h"

#include <QApplication>
#include <QColor>
#include <QPalette>

namespace vantrelis::gui {

void SetBusyPointer(bool busy) {
    if (busy) {
        if (QGuiApplication::overrideCursor())
            QGuiApplication::changeOverrideCursor(Qt::WaitCursor);
        else
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

bool IsBusyPointer() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::WaitCursor;
}

void SetLabelText(QLabel* label, const QString& text) {
    if (auto* elided = qobject_cast<ElidedLabel*>(label))
        elided->setFullText(text);
    else if (label)
        label->setText(text);
}

void SetLabelColour(QLabel* label, const QColor& colour) {
    if (!label)
        return;
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

void YieldToEvents() {
    QCoreApplication::processEvents();
}

} // namespace vantrelis::gui
