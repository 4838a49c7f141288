#include "gui/LabelStatusView.h"

#include "gui/ElidedLabel.h"

#include <QApplication>
#include <QColor>
#include <QLabel>
#include <QPalette>

namespace vantrelis::gui {

QString LabelStatusView::statusText() const {
    return m_label ? m_label->text() : QString();
}

void LabelStatusView::setStatusText(const QString& text) {
    if (auto* elided = qobject_cast<ElidedLabel*>(m_label))
        elided->setFullText(text);
    else if (m_label)
        m_label->setText(text);
}

void LabelStatusView::setBusy(bool busy) {
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

bool LabelStatusView::isBusy() const {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::WaitCursor;
}

void LabelStatusView::setStatusColour(quint32 colour) {
    if (!m_label)
        return;
    // 0x00BBGGRR, as the colour values of the run are written.
    const QColor color(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                       static_cast<int>((colour >> 16) & 0xFF));
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::WindowText, color);
    m_label->setPalette(palette);
}

void LabelStatusView::yield() {
    QCoreApplication::processEvents();
}

} // namespace vantrelis::gui
