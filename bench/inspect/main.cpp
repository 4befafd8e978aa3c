// Benchmark: InspectPage on a page with 2,000 links, 500 text inputs and 200 pictures, each run
// on a freshly loaded page. Every mark of every run is checked; a wrong one makes it exit 1.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <QWidget>

#include <QWebEngineScript>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/browser/automationpage.h"
#include "platform/browser/browsercontrol.h"
#include "platform/browser/environment.h"
#include "platform/dom/dom.h"
#include "support/loopbackserver.h"
#include "webpage/webpage.h"

namespace {

constexpr int kLinks = 2000;
constexpr int kInputs = 500;
constexpr int kPictures = 200;

std::string generatedPage() {
    std::string html =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>bench</title>"
        "</head><body><form>";
    for (int i = 0; i < kLinks; ++i) {
        html += "<a href=\"p" + std::to_string(i) + ".html\">link " + std::to_string(i) + "</a> ";
    }
    for (int i = 0; i < kInputs; ++i)
        html += "<input type=\"text\" value=\"v" + std::to_string(i) + "\">";
    for (int i = 0; i < kPictures; ++i) {
        html +=
            "<img alt=\"\" src=\"data:image/gif;base64,R0lGODlhAQABAIAAAAAAAP///"
            "yH5BAEAAAAALAAAAAABAAEAAAIBRAA7\">";
    }
    return html + "</form></body></html>";
}

int countOf(const quelvo::dom::Ref& doc, const char* tag) {
    return static_cast<int>(quelvo::dom::getNumber(
        quelvo::dom::getObject(doc, "getElementsByTagName", {quelvo::Text(tag)}), "length"));
}

// Checks every mark in the page's own world; gives "" when all are right, else what is wrong.
const char* kCheckMarks = R"((() => {
  const bad = [];
  const expect = (ok, what) => { if (!ok && bad.length < 5) bad.push(what); };
  const links = document.getElementsByTagName('a');
  for (let i = 0; i < links.length; i++) {
    expect(links[i].title === '[第 ' + (i + 1) + ' 个链接]' &&
           links[i].innerHTML === 'link ' + i + '<font color="#FF0000">[链接' + (i + 1) + ']</font>',
           'link ' + i);
  }
  const inputs = document.getElementsByTagName('input');
  for (let i = 0; i < inputs.length; i++) {
    expect(inputs[i].title === '[第 ' + (i + 1) + ' 个文本框]' &&
           inputs[i].value === 'v' + i + '[文本框' + (i + 1) + ']', 'input ' + i);
  }
  const pictures = document.getElementsByTagName('img');
  for (let i = 0; i < pictures.length; i++)
    expect(pictures[i].title === '[第 ' + (i + 1) + ' 个图片]', 'picture ' + i);
  expect(document.forms[0].title === '[第 1 个表单]', 'form');
  return bad.join(', ');
})())";

QString pageValue(quelvo::BrowserControl* browser, const char* code) {
    QString value = QStringLiteral("no answer");
    bool done = false;
    QEventLoop loop;
    browser->page()->runJavaScript(QString::fromUtf8(code), QWebEngineScript::MainWorld,
                                   [&](const QVariant& v) {
                                       value = v.toString();
                                       done = true;
                                       loop.quit();
                                   });
    if (!done)
        loop.exec();
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    quelvo::prepareBrowserEnvironment(/*offscreen=*/true);
    QApplication app(argc, argv);

    quelvo::test::LoopbackServer server;
    server.route("/bench.html",
                 quelvo::test::Response{200, "text/html; charset=utf-8", generatedPage()});

    QWidget host;
    host.resize(1024, 768);
    auto* browser = new quelvo::BrowserControl(&host);
    browser->resize(host.size());
    if (!std::getenv("BENCH_HIDDEN"))
        host.show();
    QJsonObject result{{"benchmark", "inspect"}};
    QJsonArray errors;
    const QUrl address(QString::fromStdString(server.url("/bench.html")));
    const quelvo::win::HWND window = browser->documentWindow();
    constexpr int kColdRuns = 5;
    std::vector<double> elapsed;
    qint64 trips = 0;
    for (int run = 0; run < kColdRuns; ++run) {
        if (!browser->load(address)) {
            errors.append(QStringLiteral("run %1: page did not load").arg(run));
            break;
        }
        const quelvo::dom::Ref doc = quelvo::GetWindowDocument(window);
        if (run == 0) {
            result.insert("links", countOf(doc, "a"));
            result.insert("inputs", countOf(doc, "input"));
            result.insert("pictures", countOf(doc, "img"));
            // The cost of one plain round trip on this page, for comparison.
            QElapsedTimer probe;
            probe.start();
            for (int i = 0; i < 200; ++i)
                quelvo::dom::getText(doc, "title");
            result.insert("plainRoundTripUs",
                          static_cast<double>(probe.nsecsElapsed()) / 200 / 1000);
        }
        if (countOf(doc, "a") != kLinks || countOf(doc, "input") != kInputs ||
            countOf(doc, "img") != kPictures) {
            errors.append(QStringLiteral("run %1: the page lacks elements").arg(run));
        }

        quelvo::WebPage page;
        const std::uint64_t tripsBefore = quelvo::dom::roundTrips();
        QElapsedTimer clock;
        clock.start();
        page.InspectPage(window);
        elapsed.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        trips = static_cast<qint64>(quelvo::dom::roundTrips() - tripsBefore);

        const QString wrong = pageValue(browser, kCheckMarks);
        if (!wrong.isEmpty())
            errors.append(QStringLiteral("run %1: wrong marks: %2").arg(run).arg(wrong));
    }
    QJsonArray runs;
    for (double ms : elapsed)
        runs.append(ms);
    std::sort(elapsed.begin(), elapsed.end());
    result.insert("coldRuns", runs);
    result.insert("medianElapsedMs", elapsed.empty() ? -1.0 : elapsed[elapsed.size() / 2]);
    result.insert("roundTrips", trips);
    result.insert("errors", errors);
    std::puts(QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    return errors.isEmpty() ? 0 : 1;
}
