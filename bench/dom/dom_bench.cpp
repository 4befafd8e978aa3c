// Costs of the document interface on a real page: the bare round trip, one late-bound read and
// write, the making run's sequence, and a walk over 2,000 links. Prints one JSON object.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebEngineScript>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "platform/browser/automationpage.h"
#include "platform/browser/browsercontrol.h"
#include "platform/browser/environment.h"
#include "platform/browser/pagetransport.h"
#include "platform/dom/dom.h"
#include "platform/windows/handles.h"
#include "support/loopbackserver.h"
#include "webpage/webpage.h"

using namespace quelvo;

namespace {

// Mean microseconds of `body` over `n` runs, after as many runs to warm up.
double timeMean(int n, const std::function<void()>& body) {
    for (int i = 0; i < n; ++i) body();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < n; ++i)
        body();
    return static_cast<double>(clock.nsecsElapsed()) / 1000.0 / n;
}

std::string linksPage(int count) {
    std::string html =
        "<!doctype html><html><head><meta charset='utf-8'><title>links</title></head><body>";
    for (int i = 0; i < count; ++i) {
        html += "<a id='l" + std::to_string(i) + "' href='#l" + std::to_string(i) + "'>link " +
                std::to_string(i) + "</a> ";
    }
    return html + "</body></html>";
}

const char* kMakePage =
    "<!doctype html><html><head><meta charset='utf-8'><title>make</title></head><body><form>"
    "<input id=qq><input id=usernick><input id=userannouncement><input id=usergender>"
    "<input id=userage><input id=userbirthday><input id=usergroup><input id=userlunar>"
    "<input id=userconstellation><input id=qzonenick><input id=useraddress>"
    "<input id=userreflections><input type=button name=btnmake onclick=\"document.title='made'\">"
    "</form></body></html>";

}  // namespace

int main(int argc, char** argv) {
    quelvo::prepareBrowserEnvironment(/*offscreen=*/true);
    QApplication app(argc, argv);

    test::LoopbackServer server;
    server.route("/links.html", test::Response{200, "text/html; charset=utf-8", linksPage(2000)});
    server.route("/make.html", test::Response{200, "text/html; charset=utf-8", kMakePage});

    QWidget host;
    host.resize(800, 600);
    auto* browser = new BrowserControl(&host);
    browser->resize(800, 600);
    host.show();
    if (!browser->load(QUrl(QString::fromStdString(server.url("/make.html")))))
        return 1;

    QJsonObject out;
    constexpr int kRuns = 2000;

    // The floor: a bare runJavaScript round trip into the isolated world.
    AutomationPage* page = browser->page();
    out["bare_round_trip_us"] = timeMean(kRuns, [&] {
        bool done = false;
        QEventLoop loop;
        page->runJavaScript("0", QWebEngineScript::ApplicationWorld, [&](const QVariant&) {
            done = true;
            loop.quit();
        });
        if (!done)
            loop.exec(QEventLoop::ExcludeUserInputEvents);
    });
    PageTransport transport(page);
    out["empty_bridge_request_us"] =
        timeMean(kRuns, [&] { transport.roundTrip("{\"s\":0,\"o\":[],\"r\":[]}", 5000); });

    WebPage web;
    web.Bind(std::nullopt, win::handleOf(&host));
    dom::Ref field = web.GetElement("qq"_t, 0);
    field.empty();
    out["property_read_us"] = timeMean(kRuns, [&] { dom::getText(field, "Value"); });
    out["property_write_us"] = timeMean(kRuns, [&] { dom::put(field, "VALUE", "12345"_t); });
    out["read_over_bare_ratio"] =
        out["property_read_us"].toDouble() / out["bare_round_trip_us"].toDouble();

    const char* ids[] = {"qq",         "usernick",    "userannouncement",
                         "usergender", "userage",     "userbirthday",
                         "usergroup",  "userlunar",   "userconstellation",
                         "qzonenick",  "useraddress", "userreflections"};
    std::uint64_t before = dom::roundTrips();
    QElapsedTimer clock;
    clock.start();
    WebPage maker;
    maker.Bind(std::nullopt, win::handleOf(browser));
    for (const char* id : ids)
        maker.SetFieldValue(Text(id), 0, "数值"_t);
    maker.ClickButton("btnmake"_t, 1);
    out["making_sequence_ms"] = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    out["making_sequence_round_trips"] = static_cast<qint64>(dom::roundTrips() - before);

    if (!browser->load(QUrl(QString::fromStdString(server.url("/links.html")))))
        return 1;
    web.Bind(std::nullopt, win::handleOf(&host));
    dom::Ref links = dom::getObject(web.boundDocument, "getElementsByTagName", {"a"_t});
    const int count = static_cast<int>(dom::getNumber(links, "length"));
    auto walk = [&](bool pipelinedWrites) {
        before = dom::roundTrips();
        clock.restart();
        for (int i = 0; i < count; ++i) {
            dom::Ref link = dom::callObject(links, "item", {static_cast<double>(i)});
            Text href = dom::getText(link, "href");
            Text id = dom::getText(link, "id");
            if (pipelinedWrites) {
                dom::putLater(link, "title", href);
                dom::putLater(link, "className", id + "-seen"_t);
            } else {
                dom::put(link, "title", href);
                dom::put(link, "className", id + "-seen"_t);
            }
        }
        dom::flush(links);
        return std::pair(static_cast<double>(clock.nsecsElapsed()) / 1e6,
                         static_cast<qint64>(dom::roundTrips() - before));
    };
    auto [syncMs, syncTrips] = walk(false);
    auto [pipeMs, pipeTrips] = walk(true);
    out["links"] = count;
    out["walk_2000_links_ms"] = syncMs;
    out["walk_2000_links_round_trips"] = syncTrips;
    out["walk_2000_links_pipelined_writes_ms"] = pipeMs;
    out["walk_2000_links_pipelined_writes_round_trips"] = pipeTrips;

    std::printf("%s\n", QJsonDocument(out).toJson(QJsonDocument::Indented).constData());
    return 0;
}
