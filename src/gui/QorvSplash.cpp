#include "gui/QorvSplash.h"

#include "common/ProductInfo.h"
#include "gui/ElidedLabel.h"
#include "gui/ProgramLook.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

namespace vantrelis::gui {

namespace {

constexpr int kWidth = 480;
constexpr int kMaxWidth = 640;
constexpr int kTextMargin = 24;

// The splash graphic: the program icon and name on a blue band.
class SplashBanner : public QWidget {
public:
    explicit SplashBanner(QWidget* parent) : QWidget(parent) { setFixedHeight(112); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient band(0, 0, width(), height());
        band.setColorAt(0, QColor(0x13, 0x3d, 0x73));
        band.setColorAt(1, QColor(0x2b, 0x7c, 0xc9));
        painter.fillRect(rect(), band);
        const int iconSize = 72;
        const int top = (height() - iconSize) / 2;
        painter.drawPixmap(24, top, ProgramIcon().pixmap(iconSize, iconSize));
        QFont title = font();
        title.setPointSizeF(title.pointSizeF() * 2.4);
        title.setBold(true);
        painter.setFont(title);
        painter.setPen(Qt::white);
        const QRect text(24 + iconSize + 18, 0, width() - iconSize - 60, height());
        painter.drawText(text.adjusted(0, 0, 0, -height() / 5), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("Vantrelis") + QChar(0x2122));
        QFont subtitle = font();
        subtitle.setPointSizeF(subtitle.pointSizeF() * 1.2);
        painter.setFont(subtitle);
        painter.setPen(QColor(0xd6, 0xe4, 0xf3));
        painter.drawText(text.adjusted(0, height() / 3, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("Import for OpenText eDOCS"));
    }
};

} // namespace

QorvSplash::QorvSplash(QWidget* owner)
    : QDialog(owner, Qt::SplashScreen | Qt::FramelessWindowHint), m_owner(owner) {
    setObjectName(QStringLiteral("QorvSplash"));
    setWindowTitle(ProgramTitle());

    m_frame = new QFrame(this);
    m_frame->setObjectName(QStringLiteral("QorvSplashFrame"));
    m_frame->setFrameShape(QFrame::Box);
    m_frame->setFrameShadow(QFrame::Plain);
    m_frame->setLineWidth(1);
    m_frame->installEventFilter(this);

    auto* banner = new SplashBanner(m_frame);

    m_productName = new QLabel(DesignProductName(), m_frame);
    m_productName->setObjectName(QStringLiteral("ProductName"));
    QFont bold = m_productName->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    m_productName->setFont(bold);
    m_productName->setWordWrap(true);

    m_version = new QLabel(m_frame);
    m_version->setObjectName(QStringLiteral("QorvVersion"));
    m_version->setForegroundRole(QPalette::PlaceholderText);

    auto* rule = new QFrame(m_frame);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);

    auto* status = new ElidedLabel(Qt::ElideRight, m_frame);
    status->setObjectName(QStringLiteral("LabelStatus"));
    status->setMinimumCharacters(56);
    setStatusLabel(status);

    auto* text = new QVBoxLayout;
    text->setContentsMargins(kTextMargin, 16, kTextMargin, 16);
    text->setSpacing(6);
    text->addWidget(m_productName);
    text->addWidget(m_version);
    text->addSpacing(10);
    text->addWidget(rule);
    text->addWidget(status);

    auto* frameLayout = new QVBoxLayout(m_frame);
    frameLayout->setContentsMargins(1, 1, 1, 1);
    frameLayout->setSpacing(0);
    frameLayout->addWidget(banner);
    frameLayout->addLayout(text);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_frame);
    setFixedWidth(kWidth);
}

void QorvSplash::setDmVersion(const QString& versionText) {
    const QString text =
        versionText.isEmpty() ? DesignProductName() : DesignProductName() + QLatin1Char(' ') + versionText;
    m_productName->setText(text);
    // Wide enough for the product and the DM version on one line, so that a version such as
    // "(5.1.0.5 patch 3)" is not broken in two; a very long one still wraps.
    const int needed = m_productName->fontMetrics().horizontalAdvance(text) + 2 * kTextMargin + 4;
    setFixedWidth(std::clamp(needed, kWidth, kMaxWidth));
}

void QorvSplash::setBuild(const QString& build, const QString& buildDate) {
    m_version->setText(QStringLiteral("Build ") + build + QStringLiteral(" - ") + buildDate);
}

void QorvSplash::showSplash() {
    show();
    raise();
    activateWindow();
    setFocus();
}

void QorvSplash::Unload() {
    if (m_owner) {
        m_owner->setEnabled(true);
        m_owner->activateWindow();
        m_owner->setFocus();
    }
    if (isModal())
        done(QDialog::Accepted);
    else
        hide();
}

void QorvSplash::Form_KeyPress() {
    hide();
    Unload();
}

void QorvSplash::QorvSplashFrame_MouseUp() {
    Unload();
}

void QorvSplash::keyPressEvent(QKeyEvent* event) {
    event->accept();
    Form_KeyPress();
}

bool QorvSplash::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_frame && event->type() == QEvent::MouseButtonRelease) {
        QorvSplashFrame_MouseUp();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vantrelis::gui
