// quelvo-console: one browser control driven by WebPage operations read as JSON lines.
#include <QApplication>
#include <QByteArray>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QWidget>

#include <unistd.h>

#include <cstdio>
#include <optional>

#include "console/answers.h"
#include "console/linereader.h"
#include "console/options.h"
#include "console/requests.h"
#include "platform/browser/automationpage.h"
#include "platform/browser/browsercontrol.h"
#include "platform/browser/environment.h"
#include "platform/windows/handles.h"

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
    quelvo::console::LineReader reader;
    quelvo::console::Answers answers(STDOUT_FILENO);
    bool busy = false;
    bool eof = false;
    // The answer to a line over the reader's cap; the lines after it are read as usual.
    const auto handleLine = [&](const quelvo::console::InputLine& read) {
        if (read.overLong) {
            answers.add({{"id", QJsonValue::Null}, {"error", "request line longer than 16 MiB"}},
                        reader.ready());
            return;
        }
        const QByteArray line = read.text.trimmed();
        if (!line.isEmpty())
            answers.add(quelvo::console::handleRequest(session, line), reader.ready());
    };
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[65536];
        ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n > 0)
            reader.append(buffer, static_cast<qsizetype>(n));
        if (n <= 0) {
            eof = true;
            input.setEnabled(false);
        }
        // A request can run nested event loops: lines that arrive meanwhile wait their turn.
        if (busy)
            return;
        busy = true;
        while (!session.quitRequested) {
            std::optional<quelvo::console::InputLine> line = reader.next();
            if (!line && eof)
                line = reader.rest();
            if (!line)
                break;
            handleLine(*line);
        }
        answers.flush();
        busy = false;
        if (eof || session.quitRequested)
            app.quit();
    });
    return app.exec();
}
