// A fetch for a window: the transfer runs beside the event loop.
#include "platform/widgets/windowfetch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QWidget>

#include <functional>
#include <thread>
#include <utility>

namespace quelvo::widgets {
namespace {

// Asks for the stop when the window is hidden by the program (closed); a minimised window is
// hidden by the window system and goes on waiting.
class CloseWatch : public QObject {
public:
    CloseWatch(QWidget* window, std::function<void()> stop) : m_stop(std::move(stop)) {
        if (window) {
            window->installEventFilter(this);
            connect(window, &QObject::destroyed, this, [this] { m_stop(); });
        }
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide && !event->spontaneous())
            m_stop();
        return false;
    }

private:
    std::function<void()> m_stop;
};

}  // namespace

std::string windowFetch(QWidget* window, const Text& address, const http::FetchOptions& options) {
    if (!QCoreApplication::instance())
        return http::fetch(address, options);
    std::string bytes;
    QEventLoop loop;
    std::jthread transfer([&](std::stop_token stop) {
        bytes = http::fetch(address, options, stop);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    const CloseWatch watch(window, [&] { transfer.request_stop(); });
    // Leaves early only when the application quits: it refuses or leaves every loop then.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    transfer.request_stop();
    transfer.join();
    return bytes;
}

}  // namespace quelvo::widgets
