// Costs of the document interface on a real page: the bare round trip, one late-bound read and
// write, the making run's sequence, and a walk over 2,000 links. Prints one JSON object; every
// figure's work is checked, and a wrong answer makes it exit 1 with the errors listed.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
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
    for (int i = 0; i < n; ++i)
        body();
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

QJsonArray g_errors;

void check(bool ok, const char* what) {
    if (!ok && !g_errors.contains(QString::fromUtf8(what)))
        g_errors.append(QString::fromUtf8(what));
}

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
    check(transport.roundTrip("{\"s\":0,\"o\":[],\"r\":[]}", 5000) == "{\"s\":0,\"v\":[]}",
          "the bridge answers an empty request");

    WebPage web;
    check(web.Bind(std::nullopt, win::handleOf(&host)), "Bind by the host window");
    dom::Ref field = web.GetElement("qq"_t, 0);
    check(!field.empty(), "the qq field is found");
    out["property_write_us"] = timeMean(kRuns, [&] { dom::put(field, "VALUE", "12345"_t); });
    check(dom::getText(field, "value").toUtf8() == "12345", "the write reached the field");
    out["property_read_us"] = timeMean(kRuns, [&] { dom::getText(field, "Value"); });
    check(dom::getText(field, "Value").toUtf8() == "12345", "the read gives the field's value");
    out["read_over_bare_ratio"] =
        out["property_read_us"].toDouble() / out["bare_round_trip_us"].toDouble();

    const char* ids[] = {"qq",         "usernick",    "userannouncement",
                         "usergender", "userage",     "userbirthday",
                         "usergroup",  "userlunar",   "userconstellation",
                         "qzonenick",  "useraddress", "userreflections"};
    // One making run as the window does it, on a page put back to its start first.
    constexpr int kMakeRuns = 50;
    int run = 0;
    auto makeOnce = [&](double& ms, std::uint64_t& trips) {
        dom::put(web.boundDocument, "title", "make"_t);
        const Text value = Text::fromUtf8("数值" + std::to_string(run++));
        const std::uint64_t before = dom::roundTrips();
        QElapsedTimer clock;
        clock.start();
        WebPage maker;
        bool ok = maker.Bind(std::nullopt, win::handleOf(browser));
        for (const char* id : ids)
            ok = maker.SetFieldValue(Text(id), 0, value) && ok;
        ok = maker.ClickButton("btnmake"_t, 1) && ok;
        ms += static_cast<double>(clock.nsecsElapsed()) / 1e6;
        trips += dom::roundTrips() - before;
        check(ok, "Bind, every SetFieldValue and ClickButton succeed");
        check(web.GetPageText("title"_t).toUtf8() == "made", "the make button set the title");
        check(dom::getText(web.GetElement("userreflections"_t, 0), "value").toUtf8() ==
                  value.toUtf8(),
              "the last field holds this run's value");
    };
    double makeMs = 0;
    std::uint64_t makeTrips = 0;
    for (int i = 0; i < kMakeRuns; ++i)
        makeOnce(makeMs, makeTrips);  // warm-up
    makeMs = 0;
    makeTrips = 0;
    for (int i = 0; i < kMakeRuns; ++i)
        makeOnce(makeMs, makeTrips);
    out["making_sequence_runs"] = kMakeRuns;
    out["making_sequence_ms"] = makeMs / kMakeRuns;
    out["making_sequence_round_trips"] = static_cast<double>(makeTrips) / kMakeRuns;

    if (!browser->load(QUrl(QString::fromStdString(server.url("/links.html")))))
        return 1;
    check(web.Bind(std::nullopt, win::handleOf(&host)), "Bind on the links page");
    dom::Ref links = dom::getObject(web.boundDocument, "getElementsByTagName", {"a"_t});
    const int count = static_cast<int>(dom::getNumber(links, "length"));
    check(count == 2000, "the links page has 2,000 links");
    // Counts the links whose title and class the walk set, and clears them for the next walk.
    auto walkedLinks = [&] {
        dom::Ref seen =
            dom::callObject(web.boundDocument, "querySelectorAll", {"a[title][class$='-seen']"_t});
        const int n = static_cast<int>(dom::getNumber(seen, "length"));
        web.RunScript(
            "for (const a of document.links) { a.removeAttribute('title'); a.className = ''; }"_t,
            "JScript"_t);
        return n;
    };
    auto walk = [&](bool pipelinedWrites) {
        const std::uint64_t before = dom::roundTrips();
        QElapsedTimer clock;
        clock.start();
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
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        const auto trips = static_cast<qint64>(dom::roundTrips() - before);
        check(walkedLinks() == count, "the walk set every link's title and class");
        return std::pair(ms, trips);
    };
    // Each walk once to warm up, then the same number of timed runs each.
    constexpr int kWalkRuns = 3;
    walk(false);
    walk(true);
    double syncMs = 0, pipeMs = 0;
    qint64 syncTrips = 0, pipeTrips = 0;
    for (int i = 0; i < kWalkRuns; ++i) {
        auto [ms, trips] = walk(false);
        syncMs += ms;
        syncTrips = trips;
        auto [pms, ptrips] = walk(true);
        pipeMs += pms;
        pipeTrips = ptrips;
    }
    out["links"] = count;
    out["walk_runs"] = kWalkRuns;
    out["walk_2000_links_ms"] = syncMs / kWalkRuns;
    out["walk_2000_links_round_trips"] = syncTrips;
    out["walk_2000_links_pipelined_writes_ms"] = pipeMs / kWalkRuns;
    out["walk_2000_links_pipelined_writes_round_trips"] = pipeTrips;
    out["errors"] = g_errors;

    std::printf("%s\n", QJsonDocument(out).toJson(QJsonDocument::Indented).constData());
    return g_errors.isEmpty() ? 0 : 1;
}
