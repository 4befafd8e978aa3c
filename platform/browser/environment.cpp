#include "platform/browser/environment.h"

#include <QCoreApplication>

#include <unistd.h>

#include <cstdlib>

namespace quelvo {

void prepareBrowserEnvironment(bool offscreen) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    const bool headless = offscreen || !display;
    if (headless && !std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("QTWEBENGINE_CHROMIUM_FLAGS")) {
        const char* flags = headless ? "--disable-gpu" : "";
        if (::geteuid() == 0)
            flags = headless ? "--no-sandbox --disable-gpu" : "--no-sandbox";
        if (*flags)
            ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", flags, 1);
    }
}

}  // namespace quelvo
