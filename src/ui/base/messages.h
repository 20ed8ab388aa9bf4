// The system's message boxes: warning icon, one OK button, caption "Tevarin";
// a notice with the information icon; and the questions it asks before it
// overwrites something (Yes and No, No by default). The callers pass texts
// already translated.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tevarin {

inline constexpr const char* kAppTitle = "Tevarin";

// Tests replace the box with a recorder so that no modal dialog blocks them.
std::function<void(QWidget*, const QString&)>& MessageHook();
// The same for questions: the hook answers in place of the user.
std::function<bool(QWidget*, const QString&)>& QuestionHook();

void ShowWarning(QWidget* parent, const QString& text);
// A notice, not a fault (the information icon); recorded by the same hook.
void ShowInformation(QWidget* parent, const QString& text);
// True when the user answers Yes.
bool AskYesNo(QWidget* parent, const QString& text);

}  // namespace tevarin
