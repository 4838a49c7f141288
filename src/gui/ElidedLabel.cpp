#include "gui/ElidedLabel.h"

#include <QPainter>
#include <QStyle>

namespace vantrelis::gui {

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, QWidget* parent) : QLabel(parent), m_mode(mode) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setMinimumCharacters(int characters) {
    m_characters = characters;
    updateGeometry();
}

void ElidedLabel::setEmptyToolTip(const QString& tip) {
    m_emptyTip = tip;
    if (text().isEmpty())
        setToolTip(tip);
}

void ElidedLabel::setFullText(const QString& text) {
    setText(text);
    setToolTip(text.isEmpty() ? m_emptyTip : text);
}

QSize ElidedLabel::sizeHint() const {
    const QMargins margins = contentsMargins();
    const int width = fontMetrics().averageCharWidth() * m_characters + margins.left() + margins.right() +
                      2 * margin() + 2 * indent();
    const int height = fontMetrics().height() + margins.top() + margins.bottom() + 2 * margin();
    return {width, height};
}

QSize ElidedLabel::minimumSizeHint() const {
    return sizeHint();
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    if (indent() > 0)
        area.adjust(indent(), 0, -indent(), 0);
    const QString shown = fontMetrics().elidedText(text(), m_mode, area.width());
    style()->drawItemText(&painter, area, static_cast<int>(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
}

} // namespace vantrelis::gui
