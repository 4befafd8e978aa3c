// quelvo-console: one browser control driven by WebPage operations read as JSON lines.
#include <QApplication>
#include <QByteArray>
#include <QJsonDocument>
#include <QSocketNotifier>
#include <QWidget>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "console/options.h"
#include "console/requests.h"
#include "platform/browser/automationpage.h"
#include "platform/browser/browsercontrol.h"
#include "platform/browser/environment.h"
#include "platform/windows/handles.h"

namespace {

void writeLine(const QJsonObject& answer) {
    QByteArray out = QJsonDocument(answer).toJson(QJsonDocument::Compact);
    out.append('\n');
    std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto code = quelvo::console::answerInfoOptions(argc, argv))
        return *code;
    quelvo::prepareBrowserEnvironment();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    QWidget host;
    host.setWindowTitle("quelvo-console");
    host.resize(1024, 768);
    auto* browser = new quelvo::BrowserControl(&host);
    browser->resize(host.size());
    browser->page()->setDialogPolicy(quelvo::PageDialogPolicy::AnswerOk);
    browser->page()->setDialogReporter([](const QString& kind, const QString& text) {
        std::fprintf(stderr, "page %s: %s\n", kind.toUtf8().constData(), text.toUtf8().constData());
    });
    browser->page()->setConsoleSink([](int level, const QString& message, int, const QString&) {
        if (level > 0)
            std::fprintf(stderr, "page console: %s\n", message.toUtf8().constData());
    });
    quelvo::win::handleOf(&host);
    host.show();

    quelvo::console::Session session(&host, browser);
    QByteArray pending;
    bool busy = false;
    bool eof = false;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[65536];
        ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n > 0)
            pending.append(buffer, static_cast<qsizetype>(n));
        if (n <= 0) {
            eof = true;
            input.setEnabled(false);
        }
        // A request can run nested event loops: lines that arrive meanwhile wait their turn.
        if (busy)
            return;
        busy = true;
        qsizetype newline;
        while (!session.quitRequested && (newline = pending.indexOf('\n')) >= 0) {
            QByteArray line = pending.left(newline).trimmed();
            pending.remove(0, newline + 1);
            if (!line.isEmpty())
                writeLine(quelvo::console::handleRequest(session, line));
        }
        if (eof && !session.quitRequested && !pending.trimmed().isEmpty()) {
            writeLine(quelvo::console::handleRequest(session, pending.trimmed()));
            pending.clear();
        }
        busy = false;
        if (eof || session.quitRequested)
            app.quit();
    });
    return app.exec();
}
