// Benchmark: each walk of WebPage on 2,000 elements, the match last and no match, as round trips
// and as time over the bare round trip measured on the same page in the same run.
#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <QWebEngineScript>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/browser/automationpage.h"
#include "platform/browser/browsercontrol.h"
#include "platform/browser/environment.h"
#include "platform/dom/dom.h"
#include "platform/windows/handles.h"
#include "support/loopbackserver.h"
#include "support/wait.h"
#include "support/walkpages.h"
#include "webpage/selectbox.h"
#include "webpage/webpage.h"

namespace {

using quelvo::Text;
using quelvo::WebPage;
using quelvo::operator""_t;
namespace dom = quelvo::dom;
namespace pages = quelvo::test::walkpages;

constexpr int kRuns = 7;
// Chromium holds at most 1,000 frames in a page.
constexpr int kFrames = 1000;

struct Walk {
    const char* name;
    const char* page;
    std::function<bool(WebPage&)> run;  // true when the walk found what it should
};

double medianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The page's own share of a walk: one member of every element of a tag read by a script in the
// bridge's world, with no bridge, transfer or native side; the floor under any walk of it.
double pageFloorMs(quelvo::BrowserControl* browser, const char* tag, const char* member) {
    const QString script =
        QStringLiteral(
            "(function () {"
            "  const items = document.getElementsByTagName('%1');"
            "  function pass() {"
            "    let n = 0;"
            "    for (let i = 0; i < items.length; i++) n += String(items.item(i)['%2']).length;"
            "    return n;"
            "  }"
            "  pass();"
            "  const start = performance.now();"
            "  for (let r = 0; r < %3; r++) pass();"
            "  return (performance.now() - start) / %3;"
            "})()")
            .arg(QString::fromUtf8(tag), QString::fromUtf8(member))
            .arg(kRuns);
    double ms = -1;
    bool done = false;
    browser->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                   [&](const QVariant& value) {
                                       ms = value.toDouble();
                                       done = true;
                                   });
    quelvo::test::waitFor([&] { return done; }, 60000);
    return ms;
}

// The bare round trip: one read of a plain document member.
double bareRoundTripUs(const dom::Ref& document) {
    std::vector<double> samples;
    for (int round = 0; round < kRuns; ++round) {
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 100; ++i)
            dom::getNumber(document, "nodeType");
        samples.push_back(static_cast<double>(clock.nsecsElapsed()) / 100 / 1000);
    }
    return medianOf(samples);
}

// The walk the operations made before: an item and a read per element, for comparison.
bool elementByElement(WebPage& page, const Text& key) {
    dom::Ref links = dom::getObject(page.boundDocument, "getElementsByTagName", {"a"_t});
    const int count = static_cast<int>(dom::getNumber(links, "length"));
    for (int i = 0; i < count; ++i) {
        dom::Ref link = dom::callObject(links, "item", {static_cast<double>(i)});
        if (dom::getText(link, "innerText") == key)
            return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    quelvo::prepareBrowserEnvironment(/*offscreen=*/true);
    QApplication app(argc, argv);

    quelvo::test::LoopbackServer server;
    auto html = [](std::string body) {
        return quelvo::test::Response{200, "text/html; charset=utf-8", std::move(body)};
    };
    server.route("/links.html", html(pages::links()));
    server.route("/inputs.html", html(pages::inputs()));
    server.route("/forms.html", html(pages::forms()));
    server.route("/frames.html", html(pages::frames(kFrames)));

    QWidget host;
    host.resize(1024, 768);
    auto* browser = new quelvo::BrowserControl(&host);
    browser->resize(host.size());
    if (!std::getenv("BENCH_HIDDEN"))
        host.show();

    const Walk walks[] = {
        {"ClickLink text exact, last", "links.html",
         [](WebPage& p) { return p.ClickLink("link 2000"_t, 3, true); }},
        {"ClickLink text, none", "links.html", [](WebPage& p) { return !p.ClickLink("zz"_t, 3); }},
        {"ClickLink address, last", "links.html",
         [](WebPage& p) { return p.ClickLink("p2000.html"_t, 4); }},
        {"ClickLink address, none", "links.html",
         [](WebPage& p) { return !p.ClickLink("zz"_t, 4); }},
        {"ClickLink position, last", "links.html",
         [](WebPage& p) { return p.ClickLink("2000"_t, 2); }},
        {"ClickLink position, none", "links.html",
         [](WebPage& p) { return !p.ClickLink("2001"_t, 2); }},
        {"element by element, last (before)", "links.html",
         [](WebPage& p) { return elementByElement(p, "link 2000"_t); }},
        {"ClickButton caption exact, last", "inputs.html",
         [](WebPage& p) { return p.ClickButton("b1000"_t, 3, true); }},
        {"ClickButton caption, none", "inputs.html",
         [](WebPage& p) { return !p.ClickButton("zz"_t, 3); }},
        {"ClickButton position, last", "inputs.html",
         [](WebPage& p) { return p.ClickButton("1000"_t, 2); }},
        {"ClickButton position, none", "inputs.html",
         [](WebPage& p) { return !p.ClickButton("1001"_t, 2); }},
        {"ClickButton picture, last", "inputs.html",
         [](WebPage& p) { return p.ClickButton("#img1000"_t, 4); }},
        {"ClickButton picture, none", "inputs.html",
         [](WebPage& p) { return !p.ClickButton("zz"_t, 4); }},
        {"GetForm name, last", "forms.html",
         [](WebPage& p) { return !p.GetForm("form2000"_t, 0).empty(); }},
        {"GetForm name, none", "forms.html",
         [](WebPage& p) { return p.GetForm("zz"_t, 0).empty(); }},
        {"GetForm position, last", "forms.html",
         [](WebPage& p) { return !p.GetForm("2000"_t, 2).empty(); }},
        {"GetSelectBox name, last", "forms.html",
         [](WebPage& p) { return !p.GetSelectBox("box2000"_t, 0)->selectElement.empty(); }},
        {"GetSelectBox name, none", "forms.html",
         [](WebPage& p) { return p.GetSelectBox("zz"_t, 0)->selectElement.empty(); }},
        {"GetFrame name, last", "frames.html",
         [](WebPage& p) { return !p.GetFrame("frame1000"_t, 0).empty(); }},
        {"GetFrame id, none", "frames.html",
         [](WebPage& p) { return p.GetFrame("zz"_t, 1).empty(); }},
        {"GetFrameElement name, last", "frames.html",
         [](WebPage& p) { return !p.GetFrameElement("frame1000"_t, 0).empty(); }},
    };

    QJsonObject result{
        {"benchmark", "walks"}, {"elements", pages::kItems}, {"frames", kFrames}, {"runs", kRuns}};
    // What each page's walks read, for the page's own share.
    const std::map<std::string, std::vector<std::pair<const char*, const char*>>> floors = {
        {"links.html", {{"a", "innerText"}, {"a", "href"}}},
        {"inputs.html", {{"input", "type"}, {"input", "value"}, {"input", "src"}}},
        {"forms.html", {{"form", "name"}, {"select", "name"}}},
    };
    QJsonArray rows;
    QJsonArray pageFloors;
    std::string current;
    WebPage page;
    for (const Walk& walk : walks) {
        if (current != walk.page) {
            current = walk.page;
            if (!browser->load(QUrl(QString::fromStdString(server.url("/" + current))), 180000)) {
                result.insert("error", QString::fromStdString(current + " did not load"));
                std::puts(QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
                return 1;
            }
            // A page of many frames can keep the renderer busy past a binding's wait.
            for (int attempt = 0; attempt < 30; ++attempt) {
                if (page.Bind(std::nullopt, quelvo::win::handleOf(&host)))
                    break;
            }
            if (current == "frames.html")
                quelvo::test::waitFor([&] { return page.FrameCount() == kFrames; }, 120000);
            if (auto it = floors.find(current); it != floors.end()) {
                for (const auto& [tag, member] : it->second) {
                    pageFloors.append(QJsonObject{{"page", QString::fromStdString(current)},
                                                  {"read", QString("%1.%2").arg(tag, member)},
                                                  {"ms", pageFloorMs(browser, tag, member)}});
                }
            }
        }
        // Measured next to each walk: the machine's load changes over a run.
        const double bareUs = bareRoundTripUs(page.boundDocument);
        std::vector<double> samples;
        std::uint64_t trips = 0;
        bool found = true;
        for (int round = 0; round < kRuns; ++round) {
            const std::uint64_t before = dom::roundTrips();
            QElapsedTimer clock;
            clock.start();
            found = walk.run(page) && found;
            samples.push_back(static_cast<double>(clock.nsecsElapsed()) / 1000);
            trips = dom::roundTrips() - before;
        }
        const double us = medianOf(samples);
        rows.append(QJsonObject{{"walk", walk.name},
                                {"ok", found},
                                {"roundTrips", static_cast<qint64>(trips)},
                                {"medianMs", us / 1000},
                                {"bareRoundTripUs", bareUs},
                                {"overBareRoundTrip", us / bareUs}});
    }
    result.insert("walks", rows);
    result.insert("pageFloors", pageFloors);
    std::puts(QJsonDocument(result).toJson(QJsonDocument::Indented).constData());
    return 0;
}
