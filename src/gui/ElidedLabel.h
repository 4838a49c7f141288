#pragma once

#include <QLabel>

namespace vantrelis::gui {

// A one-line label that keeps its size whatever the text: a text too long for it is shortened with
// an ellipsis (at the end, or in the middle for paths), and the whole text is its tool tip.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(Qt::TextElideMode mode, QWidget* parent = nullptr);

    // Characters of an average text the label is wide enough for.
    void setMinimumCharacters(int characters);
    // The tool tip the label shows while its text is empty.
    void setEmptyToolTip(const QString& tip);
    void setFullText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::TextElideMode m_mode;
    int m_characters = 20;
    QString m_emptyTip;
};

} // namespace vantrelis::gui
