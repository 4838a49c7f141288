#include "gui/ProgramLook.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyleFactory>

namespace vantrelis::gui {

namespace {

// A blue tile with a white folder and a green arrow filing into it.
QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    QLinearGradient tile(0, 0, 0, s);
    tile.setColorAt(0, QColor(0x2b, 0x7c, 0xc9));
    tile.setColorAt(1, QColor(0x17, 0x4a, 0x8c));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);

    QPainterPath folder;
    folder.moveTo(s * 0.16, s * 0.32);
    folder.lineTo(s * 0.40, s * 0.32);
    folder.lineTo(s * 0.46, s * 0.40);
    folder.lineTo(s * 0.84, s * 0.40);
    folder.lineTo(s * 0.84, s * 0.80);
    folder.lineTo(s * 0.16, s * 0.80);
    folder.closeSubpath();
    painter.setBrush(QColor(0xf4, 0xf7, 0xfb));
    painter.drawPath(folder);
    painter.setBrush(QColor(0xd6, 0xe4, 0xf3));
    painter.drawRect(QRectF(s * 0.16, s * 0.48, s * 0.68, s * 0.32));

    QPainterPath arrow;
    arrow.moveTo(s * 0.44, s * 0.10);
    arrow.lineTo(s * 0.56, s * 0.10);
    arrow.lineTo(s * 0.56, s * 0.50);
    arrow.lineTo(s * 0.68, s * 0.50);
    arrow.lineTo(s * 0.50, s * 0.70);
    arrow.lineTo(s * 0.32, s * 0.50);
    arrow.lineTo(s * 0.44, s * 0.50);
    arrow.closeSubpath();
    painter.setBrush(QColor(0x3c, 0xb3, 0x71));
    painter.drawPath(arrow);
    return pixmap;
}

} // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(DrawIcon(size));
    return icon;
}

void ApplyProgramLook(QApplication& application) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        application.setStyle(fusion);
    application.setWindowIcon(ProgramIcon());
}

} // namespace vantrelis::gui
