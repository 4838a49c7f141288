#pragma once

#include "common/Prompter.h"

class QWidget;

namespace vantrelis::gui {

// Message boxes in the look of the platform: the style picks the icon and the buttons.
class MessageBoxPrompter : public Prompter {
public:
    int ask(const QString& prompt, int style, const QString& title) override;
};

} // namespace vantrelis::gui
