// Benchmark: InspectPage on a page with 2,000 links, 500 text inputs and 200 pictures.
#include <QApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <string>

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
    if (!browser->load(QUrl(QString::fromStdString(server.url("/bench.html"))))) {
        result.insert("error", "page did not load");
        std::puts(QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
        return 1;
    }

    quelvo::WebPage page;
    const quelvo::win::HWND window = browser->documentWindow();
    const quelvo::dom::Ref doc = quelvo::GetWindowDocument(window);
    result.insert("links", countOf(doc, "a"));
    result.insert("inputs", countOf(doc, "input"));
    result.insert("pictures", countOf(doc, "img"));

    // The cost of one plain round trip on this page, for comparison.
    {
        QElapsedTimer probe;
        probe.start();
        for (int i = 0; i < 200; ++i)
            quelvo::dom::getText(doc, "title");
        result.insert("plainRoundTripUs", static_cast<double>(probe.nsecsElapsed()) / 200 / 1000);
    }

    const std::uint64_t tripsBefore = quelvo::dom::roundTrips();
    QElapsedTimer clock;
    clock.start();
    page.InspectPage(window);
    const qint64 elapsed = clock.elapsed();
    result.insert("elapsedMs", elapsed);
    result.insert("roundTrips", static_cast<qint64>(quelvo::dom::roundTrips() - tripsBefore));

    // A spot check that the marks are there.
    quelvo::dom::Ref last = quelvo::dom::callObject(
        quelvo::dom::getObject(doc, "getElementsByTagName", {quelvo::Text("input")}), "item",
        {static_cast<double>(kInputs - 1)});
    result.insert("lastInputValue",
                  QString::fromStdString(quelvo::dom::getText(last, "value").toUtf8()));
    std::puts(QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    return 0;
}
