// The timed wait: lets time pass while every window keeps handling its events.
#include "platform/widgets/timedwait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace quelvo::widgets {
namespace {

double g_scale = 1.0;

}  // namespace

void setTimedWaitScale(double scale) {
    g_scale = std::max(0.0, scale);
}

double timedWaitScale() {
    return g_scale;
}

void timedWait(int milliseconds) {
    const double scaled = std::ceil(std::max(0, milliseconds) * g_scale);
    const qint64 duration = static_cast<qint64>(std::min(scaled, 2.0e9));
    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(duration + 1));
        return;
    }
    if (duration <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    // "More than n ms": a timer that fires a little early just waits for the rest. Once the
    // application is quitting, loops refuse to start (-1); the wait then ends early, as the
    // program's own loop cannot end before it does.
    while (clock.elapsed() <= duration) {
        timer.start(static_cast<int>(duration - clock.elapsed() + 1));
        if (loop.exec() < 0)
            break;
    }
}

}  // namespace quelvo::widgets
