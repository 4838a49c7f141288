#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QLabel>
#include <QString>

namespace vantrelis::gui {

// The busy pointer is the application's: one pointer serves every window.
void SetBusyPointer(bool busy);
bool IsBusyPointer();
// Sets a status label's text (an eliding label keeps the whole text as its tool tip).
void SetLabelText(QLabel* label, const QString& text);
void SetLabelColour(QLabel* label, const QColor& colour);
// Lets the windows repaint and handle input once.
void YieldToEvents();

// The status view of a window whose label LabelStatus shows the status texts. `View` is the
// status view interface the window implements (it derives from StatusView).
template <class View> class LabelStatusView : public View {
public:
    QString statusText() const override { return m_label ? m_label->text() : QString(); }
    void setStatusText(const QString& text) override { SetLabelText(m_label, text); }
    void setBusy(bool busy) override { SetBusyPointer(busy); }
    bool isBusy() const override { return IsBusyPointer(); }
    // Status texts come by the thousand in a run: the window repaints and takes input at most twenty
    // times a second, which the eye and the hand cannot tell from every time (a repaint per status
    // text cost more than the run's own work).
    void yield() override {
        if (m_sinceYield.isValid() && m_sinceYield.elapsed() < kYieldIntervalMs)
            return;
        YieldToEvents();
        m_sinceYield.start();
    }

    static constexpr qint64 kYieldIntervalMs = 50;

protected:
    void setStatusLabel(QLabel* label) { m_label = label; }
    QLabel* statusLabel() const { return m_label; }

private:
    QLabel* m_label = nullptr;
    QElapsedTimer m_sinceYield;
};

} // namespace vantrelis::gui
