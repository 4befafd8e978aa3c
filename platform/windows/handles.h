// Handles for the program's widgets: the Qt side of the window functions.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/windows/windows.h"

class QWidget;

namespace quelvo::dom {
class Channel;
}

namespace quelvo::win {

// The widget's handle, given at the first ask; the same for the widget's whole life.
HWND handleOf(QWidget* widget);
// The live widget of a handle, or nullptr.
QWidget* widgetOf(HWND window);

// Class name reported by GetClassNameA; by default the widget's Qt class name.
void setWindowClass(QWidget* widget, const std::string& className);

// The window procedure of a widget for registered messages; nullopt lets the default answer (0).
using MessageHandler = std::function<std::optional<LRESULT>(UINT, WPARAM, LPARAM)>;
void setMessageHandler(QWidget* widget, MessageHandler handler);

// A single-use message result that ObjectFromLresult turns into the channel's document.
LRESULT issueDocumentToken(const std::shared_ptr<dom::Channel>& channel);

// Time limit of the document read behind ObjectFromLresult.
inline constexpr int kDocumentTimeoutMs = 1000;

}  // namespace quelvo::win
