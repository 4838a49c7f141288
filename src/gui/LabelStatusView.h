#pragma once

#include "common/StatusView.h"

class QLabel;

namespace vantrelis::gui {

// The status view of a window whose label LabelStatus shows the status texts. The busy pointer is
// the application's, as one pointer serves every window.
class LabelStatusView : public StatusView {
public:
    QString statusText() const override;
    void setStatusText(const QString& text) override;
    void setBusy(bool busy) override;
    bool isBusy() const override;
    void setStatusColour(quint32 colour) override;
    void yield() override;

protected:
    void setStatusLabel(QLabel* label) { m_label = label; }

private:
    QLabel* m_label = nullptr;
};

} // namespace vantrelis::gui
