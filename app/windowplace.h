// Window placement and frame shared by the gallery and making windows.
#pragma once

class QWidget;

namespace quelvo::app {

// Fixed border with caption bar, system menu, close and minimize boxes, no maximize box.
void setFixedToolWindowFrame(QWidget* window);

// Centres the window (with its frame, when known) on the screen it opens on.
void centreOnScreen(QWidget* window);

}  // namespace quelvo::app
