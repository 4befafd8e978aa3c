// Message boxes: OK button only, no icon, modal.
#pragma once

#include "common/text.h"

class QWidget;

namespace quelvo::widgets {

// Title of a message box when the caller names none.
inline constexpr const char* kMessageTitle = "信息：";

// Shows `message` with the OK button and no icon, application-modal, and returns once it is
// closed. The title is "信息：".
void messageBox(const Text& message, QWidget* parent = nullptr);
void messageBox(const Text& message, const Text& title, QWidget* parent = nullptr);

}  // namespace quelvo::widgets
