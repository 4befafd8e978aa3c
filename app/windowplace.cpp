// Window placement and frame shared by the gallery and making windows.
#include "app/windowplace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace quelvo::app {

void setFixedToolWindowFrame(QWidget* window) {
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint);
}

void centreOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

}  // namespace quelvo::app
