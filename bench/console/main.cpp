// Benchmark: one read (GetFieldValue) through WebPage in this process and through quelvo-console
// with the requests piped in and the answers read back, as time per operation. An optional
// argument names another quelvo-console to measure (an older build, say).
#include <QApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/browser/browsercontrol.h"
#include "platform/browser/environment.h"
#include "platform/windows/handles.h"
#include "support/loopbackserver.h"
#include "webpage/webpage.h"

namespace {

using quelvo::operator""_t;

constexpr int kOps = 1000;
constexpr int kRounds = 5;
constexpr int kAnswerTimeoutMs = 60000;

const char* const kPage =
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>console</title></head><body>"
    "<input id=\"field\" value=\"数值 value\"></body></html>";

double medianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The console (or `cat`, the echo) as a child process: lines in, lines out.
class Console {
public:
    bool start(const QString& program) {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(program, {});
        return m_process.waitForStarted(kAnswerTimeoutMs);
    }
    ~Console() {
        m_process.write("{\"op\":\"quit\"}\n");
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(kAnswerTimeoutMs))
            m_process.kill();
    }
    void send(const std::string& lines) {
        m_process.write(lines.data(), static_cast<qint64>(lines.size()));
    }
    // The next answer line, parsed; an empty object when none came in time.
    QJsonObject answer() {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(kAnswerTimeoutMs))
                return {};
        }
        return QJsonDocument::fromJson(m_process.readLine()).object();
    }
    QJsonValue ask(const std::string& line) {
        send(line + "\n");
        return answer().value("result");
    }

private:
    QProcess m_process;
};

std::string request(int id) {
    return "{\"id\":" + std::to_string(id) + ",\"op\":\"GetFieldValue\",\"args\":[\"field\",0]}\n";
}

// Piped: all requests written at once, then every answer read.
double consolePipedUs(Console& console, bool& ok) {
    std::string lines;
    for (int i = 0; i < kOps; ++i)
        lines += request(i);
    QElapsedTimer clock;
    clock.start();
    console.send(lines);
    for (int i = 0; i < kOps; ++i)
        ok = console.answer().value("result").toString() == QStringLiteral("数值 value") && ok;
    return static_cast<double>(clock.nsecsElapsed()) / kOps / 1000;
}

// In step: each request waits for the answer before the next goes.
double consoleInStepUs(Console& console, bool& ok) {
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kOps / 4; ++i) {
        console.send(request(i));
        ok = console.answer().value("result").toString() == QStringLiteral("数值 value") && ok;
    }
    return static_cast<double>(clock.nsecsElapsed()) / (kOps / 4) / 1000;
}

// In process, each read followed by its request line through `cat` and back: the two pipe hops
// and the line handling a client in step pays, without the console.
double inProcessEchoUs(quelvo::WebPage& page, Console& echo, bool& ok) {
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kOps / 4; ++i) {
        ok = page.GetFieldValue("field"_t, 0) == quelvo::Text::fromUtf8("数值 value") && ok;
        echo.send(request(i));
        ok = echo.answer().value("id").toInt(-1) == i && ok;
    }
    return static_cast<double>(clock.nsecsElapsed()) / (kOps / 4) / 1000;
}

double inProcessUs(quelvo::WebPage& page, bool& ok) {
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kOps; ++i)
        ok = page.GetFieldValue("field"_t, 0) == quelvo::Text::fromUtf8("数值 value") && ok;
    return static_cast<double>(clock.nsecsElapsed()) / kOps / 1000;
}

}  // namespace

int main(int argc, char** argv) {
    quelvo::prepareBrowserEnvironment(/*offscreen=*/true);
    QApplication app(argc, argv);
    quelvo::test::LoopbackServer server;
    server.route("/page.html", quelvo::test::Response{200, "text/html; charset=utf-8", kPage});
    const std::string url = server.url("/page.html");

    QJsonObject result{{"benchmark", "console"}, {"operation", "GetFieldValue"}, {"ops", kOps}};
    auto fail = [&](const char* why) {
        result.insert("error", why);
        std::puts(QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
        return 1;
    };

    // The same setting as the console's: a shown host window with the browser control in it.
    QWidget host;
    host.resize(1024, 768);
    auto* browser = new quelvo::BrowserControl(&host);
    browser->resize(host.size());
    host.show();
    if (!browser->load(QUrl(QString::fromStdString(url))))
        return fail("page did not load in-process");
    quelvo::WebPage page;
    if (!page.Bind(std::nullopt, quelvo::win::handleOf(&host)))
        return fail("in-process bind failed");

    Console echo;
    if (!echo.start("cat"))
        return fail("cat did not start");
    Console console;
    if (!console.start(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QUELVO_CONSOLE_PATH))
        return fail("console did not start");
    if (!console.ask("{\"op\":\"load\",\"args\":[\"" + url + "\"]}").toBool())
        return fail("page did not load in the console");
    const QJsonValue window = console.ask("{\"op\":\"browserWindow\"}");
    if (!console.ask("{\"op\":\"Bind\",\"args\":[null," + std::to_string(window.toInteger()) + "]}")
             .toBool())
        return fail("console bind failed");

    // Rounds alternate, so that both sides see the same load of the machine.
    bool ok = true;
    std::vector<double> inProcess, piped, inStep, inProcessEcho;
    for (int round = 0; round < kRounds; ++round) {
        inProcess.push_back(inProcessUs(page, ok));
        piped.push_back(consolePipedUs(console, ok));
        inStep.push_back(consoleInStepUs(console, ok));
        inProcessEcho.push_back(inProcessEchoUs(page, echo, ok));
    }
    const double in = medianOf(inProcess);
    const double inEcho = medianOf(inProcessEcho);
    result.insert("ok", ok);
    result.insert("inProcessUsPerOp", in);
    result.insert("consolePipedUsPerOp", medianOf(piped));
    result.insert("consoleInStepUsPerOp", medianOf(inStep));
    result.insert("pipedOverInProcess", medianOf(piped) / in);
    result.insert("inStepOverInProcess", medianOf(inStep) / in);
    // In step over the same reads with the two pipe hops added: what the console itself costs.
    result.insert("inProcessEchoUsPerOp", inEcho);
    result.insert("inStepOverInProcessEcho", medianOf(inStep) / inEcho);
    std::puts(QJsonDocument(result).toJson(QJsonDocument::Indented).constData());
    return 0;
}
