// Operations of the console itself: loading, waiting, the browser's window, releasing, quitting.
#include <QEventLoop>
#include <QJsonObject>
#include <QTimer>
#include <QUrl>

#include "console/operations.h"
#include "platform/browser/browsercontrol.h"
#include "platform/windows/handles.h"

namespace quelvo::console {
namespace {

QJsonValue load(Session& s, Arguments& a) {
    QUrl url = QUrl::fromUserInput(QString::fromStdString(a.text(0).toUtf8()));
    if (!url.isValid())
        throw RequestError("argument 1 is not an address");
    return s.browser()->load(url);
}

QJsonValue wait(Session&, Arguments& a) {
    int ms = a.integer(0);
    if (ms < 0 || ms > 600000)
        throw RequestError("argument 1 must be 0 to 600000 ms");
    QEventLoop loop;
    // A coarse timer may end up to 5 % early; a script that waits counts on the whole time.
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    return true;
}

QJsonValue browserWindow(Session& s, Arguments&) {
    return static_cast<qint64>(win::handleOf(s.browser()));
}

QJsonValue release(Session& s, Arguments& a) {
    QJsonValue v = a.raw(0);
    QString name = v.isObject() ? (v.toObject().contains("ref") ? v.toObject().value("ref")
                                                                : v.toObject().value("object"))
                                      .toString()
                                : v.toString();
    if (name.isEmpty())
        throw RequestError("argument 1 must be a reference or an object");
    return s.release(name.toStdString());
}

QJsonValue quit(Session& s, Arguments&) {
    s.quitRequested = true;
    return true;
}

const Registration registration{
    {"load", load},       {"wait", wait}, {"browserWindow", browserWindow},
    {"release", release}, {"quit", quit},
};

}  // namespace
}  // namespace quelvo::console
