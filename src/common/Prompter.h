#pragma once

#include <QString>

namespace vantrelis {

// Message box styles and answers the program uses.
enum MessageStyle : int {
    StyleYesNoCancel = 3,
    StyleYesNo = 4,
    StyleCritical = 16,
    StyleExclamation = 48,
    StyleInformation = 64,
};
inline constexpr int AnswerYes = 6;
inline constexpr int AnswerNo = 7;
inline constexpr int AnswerCancel = 2;

// Shows a modal message box and returns the button pressed (AnswerYes, ...; 0 for OK-only styles).
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual int ask(const QString& prompt, int style, const QString& title) = 0;
};

} // namespace vantrelis
