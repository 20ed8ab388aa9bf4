// The system's message boxes: warning icon, one OK button, caption "Tevarin".
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tevarin {

inline constexpr const char* kAppTitle = "Tevarin";

// Tests replace the box with a recorder so that no modal dialog blocks them.
std::function<void(QWidget*, const QString&)>& MessageHook();

void ShowWarning(QWidget* parent, const QString& text);

}  // namespace tevarin
