// The walks over links, buttons, frames, forms and select boxes: the element the walk finds on
// large generated pages and on the small fixtures, in a few round trips whatever the page's size.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/dom/dom.h"
#include "support/browserfixture.h"
#include "support/wait.h"
#include "support/walkpages.h"
#include "webpage/positions.h"
#include "webpage/selectbox.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

namespace pages = test::walkpages;

class WalksTest : public test::BrowserTest {
protected:
    WalksTest() : BrowserTest("webpage") {}

    void SetUp() override {
        BrowserTest::SetUp();
        auto html = [](std::string body) {
            return test::Response{200, "text/html", std::move(body)};
        };
        m_server.route("/links2000.html", html(pages::links()));
        m_server.route("/inputs2000.html", html(pages::inputs()));
        m_server.route("/forms2000.html", html(pages::forms()));
        m_server.route("/frames40.html", html(pages::frames(40)));
        m_server.route("/long.html", html(pages::longLinks()));
        m_server.route("/sent.html", html("<title>sent</title>"));
    }

    void open(const std::string& path) {
        ASSERT_TRUE(load(path));
        ASSERT_TRUE(page.Bind(std::nullopt, win::handleOf(m_host.get())));
    }

    WebPage page;
};

// What a walk found, as the id of the element ("" for nothing), and the round trips its operation
// took. A click answers with the id its click left in the title; true without a click, or a click
// without true, shows as a mismatch.
struct Found {
    std::string id;
    std::uint64_t trips = 0;
};
using Walk = std::function<Found(WebPage&)>;

// Runs `operation` and counts its round trips alone.
template <typename Operation>
auto counted(std::uint64_t& trips, Operation operation) {
    const std::uint64_t before = dom::roundTrips();
    auto result = operation();
    trips = std::max(trips, dom::roundTrips() - before);
    return result;
}

std::string clicked(WebPage& page, bool result) {
    const std::string title = page.GetPageText("title"_t).toUtf8();
    dom::put(page.boundDocument, "title", "none"_t);
    if (result && title.rfind("hit:", 0) == 0)
        return title.substr(4);
    return result || title != "none" ? "mismatch: " + std::to_string(result) + " " + title : "";
}

Walk link(const char* key, int mode, std::optional<bool> exact = {}) {
    return [=](WebPage& p) {
        Found f;
        const bool ok =
            counted(f.trips, [&] { return p.ClickLink(Text::fromUtf8(key), mode, exact); });
        f.id = clicked(p, ok);
        return f;
    };
}

Walk button(const char* key, int mode, std::optional<bool> exact = {}) {
    return [=](WebPage& p) {
        Found f;
        const bool ok =
            counted(f.trips, [&] { return p.ClickButton(Text::fromUtf8(key), mode, exact); });
        f.id = clicked(p, ok);
        return f;
    };
}

Walk frame(const char* key, int mode) {
    return [=](WebPage& p) {
        Found f;
        dom::Ref window = counted(f.trips, [&] { return p.GetFrame(Text(key), mode); });
        dom::Ref holder = counted(f.trips, [&] { return p.GetFrameElement(Text(key), mode); });
        const std::string byFrame =
            dom::getText(dom::getObject(window, "frameElement"), "id").toUtf8();
        const std::string byElement = dom::getText(holder, "id").toUtf8();
        f.id = byFrame == byElement ? byFrame : "mismatch: " + byFrame + " " + byElement;
        return f;
    };
}

Walk form(const char* key, int mode) {
    return [=](WebPage& p) {
        Found f;
        dom::Ref found = counted(f.trips, [&] { return p.GetForm(Text(key), mode); });
        f.id = dom::getText(found, "id").toUtf8();
        return f;
    };
}

Walk selectBox(const char* key, int mode) {
    return [=](WebPage& p) {
        Found f;
        auto box = counted(f.trips, [&] { return p.GetSelectBox(Text(key), mode); });
        f.id = dom::getText(box->selectElement, "id").toUtf8();
        return f;
    };
}

struct WalkCase {
    const char* page;
    const char* what;
    Walk walk;
    const char* expected;  // the id of the element found, "" for none
};

TEST_F(WalksTest, EachWalkFindsTheFirstMatchInDocumentOrderInFewRoundTrips) {
    const WalkCase cases[] = {
        {"links2000.html", "link by text, exact, the last", link("link 2000", 3, true), "L2000"},
        {"links2000.html", "link by text, caseless, the last", link("LINK 2000", 3), "L2000"},
        {"links2000.html", "link by text, the first of many", link("link 1", 3), "L1"},
        {"links2000.html", "link by text, past the first chunk", link("link 1001", 3, true),
         "L1001"},
        {"links2000.html", "link by text, none", link("link 2001", 3), ""},
        {"links2000.html", "link by text, inside the text", link("INK 1999", 3), "L1999"},
        {"links2000.html", "link by address, the last", link("p2000.html", 4), "L2000"},
        {"links2000.html", "link by address, none", link("q.html", 4), ""},
        {"links2000.html", "link by position, the last", link("2000", 2), "L2000"},
        {"links2000.html", "link by position, past the end", link("2001", 2), ""},
        {"inputs2000.html", "button by caption, the last", button("b1000", 3, true), "I2000"},
        {"inputs2000.html", "button by caption, caseless", button("B999", 3), "I1998"},
        {"inputs2000.html", "button by caption, none", button("b1001", 3), ""},
        {"inputs2000.html", "button by position, the last", button("1000", 2), "I2000"},
        {"inputs2000.html", "button by position, the middle", button("500", 2), "I1000"},
        {"inputs2000.html", "button by position, past the end", button("1001", 2), ""},
        {"inputs2000.html", "picture button, the last", button("#img1000", 4), "I2000"},
        {"inputs2000.html", "picture button, a submit's address", button("#img997", 4), ""},
        {"inputs2000.html", "picture button, the first", button("img4", 4), "I8"},
        {"forms2000.html", "form by name, the last", form("form2000", 0), "F2000"},
        {"forms2000.html", "form by name, letter case counts", form("Form2000", 0), ""},
        {"forms2000.html", "form by id", form("F1500", 1), "F1500"},
        {"forms2000.html", "form by position", form("2000", 2), "F2000"},
        {"forms2000.html", "form, none", form("form2001", 0), ""},
        {"forms2000.html", "select box by name, caseless, the last", selectBox("BOX2000", 0),
         "box-2000"},
        {"forms2000.html", "select box by id", selectBox("BOX-1999", 1), "box-1999"},
        {"forms2000.html", "select box by position", selectBox("2000", 2), "box-2000"},
        {"forms2000.html", "select box, none", selectBox("box2001", 0), ""},
        {"frames40.html", "frame by name, caseless, the last", frame("FRAME40", 0), "FR40"},
        {"frames40.html", "frame by id", frame("fr39", 1), "FR39"},
        {"frames40.html", "frame by position", frame("40", 2), "FR40"},
        {"frames40.html", "frame, none", frame("frame41", 0), ""},
        {"long.html", "long texts end a chunk early", link("end3", 3), "long3"},
        {"long.html", "long texts, none", link("end4", 3), ""},
        {"links.html", "small page, by text", link("news", 3), "first"},
        {"links.html", "small page, empty key exact", link("", 3, true), "noaddress"},
        {"links.html", "small page, by address", link("#CN", 4), "china"},
        {"buttons.html", "small page, button by position", button("2", 2), "plain1"},
        {"buttons.html", "small page, picture button", button("pic.gif", 4), "image1"},
        {"buttons.html", "small page, a button element is no input", button("6", 2), ""},
    };
    std::string current;
    for (const WalkCase& c : cases) {
        SCOPED_TRACE(std::string(c.page) + ": " + c.what);
        if (current != c.page) {
            ASSERT_NO_FATAL_FAILURE(open(c.page));
            current = c.page;
            dom::put(page.boundDocument, "title", "none"_t);
        }
        const Found found = c.walk(page);
        EXPECT_EQ(found.id, c.expected);
        EXPECT_LE(found.trips, 4u);
    }
}

TEST_F(WalksTest, SubmitFormByPositionSubmitsTheLastOfTwoThousand) {
    ASSERT_NO_FATAL_FAILURE(open("forms2000.html"));
    EXPECT_FALSE(page.SubmitForm("F2001"_t, 1));
    const std::uint64_t before = dom::roundTrips();
    EXPECT_TRUE(page.SubmitForm("2000"_t, 2));
    EXPECT_LE(dom::roundTrips() - before, 4u);
    EXPECT_TRUE(test::waitFor([&] { return title() == "sent"; }));
    EXPECT_NE(m_browser->page()->url().toString().toStdString().find("Box2000=o2000"),
              std::string::npos);
}

// A page whose element bears the id or name "item" or "namedItem" makes those globals of its
// window: frames are still found by name, id and position.
TEST_F(WalksTest, FramesAreFoundWhateverTheWindowsGlobalsAre) {
    const char* shadows[] = {"<div id=\"item\"></div>", "<form name=\"item\"></form>",
                             "<img name=\"namedItem\" alt=\"\">"};
    for (const char* shadow : shadows) {
        SCOPED_TRACE(shadow);
        m_server.route(
            "/shadowed.html",
            test::Response{200, "text/html",
                           std::string("<!DOCTYPE html><title>s</title>") + shadow +
                               "<iframe name=\"Main\" id=\"frameA\" srcdoc=\"a\"></iframe>"
                               "<iframe id=\"FrameB\" srcdoc=\"b\"></iframe>"});
        ASSERT_NO_FATAL_FAILURE(open("shadowed.html"));
        EXPECT_EQ(page.FrameCount(), 2);
        EXPECT_EQ(frame("main", 0)(page).id, "frameA");
        EXPECT_EQ(frame("frameb", 1)(page).id, "FrameB");
        EXPECT_EQ(frame("2", 2)(page).id, "FrameB");
        EXPECT_EQ(frame("3", 2)(page).id, "");
        EXPECT_EQ(dom::getText(
                      dom::callObject(dom::getObject(page.boundDocument, "frames"), "item"), "name")
                      .bytes(),
                  "Main");
    }
}

// Member texts read for a whole collection are those a read of each item gives: texts with the
// separator byte and wide characters, numbers, booleans, objects, missing members.
TEST_F(WalksTest, ReadEachGivesWhatReadingEachItemGives) {
    m_server.route(
        "/kinds.html",
        test::Response{200, "text/html; charset=utf-8",
                       "<!DOCTYPE html><meta charset=\"utf-8\"><title>k</title>"
                       "<input id=\"a\" title=\"one\x01two\" tabindex=\"3\" value=\"中文\">"
                       "<input id=\"b\" type=\"number\" value=\"12345678901234567890\" hidden>"
                       "<input id=\"c\" type=\"number\" value=\"-1.25\" title=\"\">"
                       "<input id=\"d\" type=\"checkbox\" checked>"});
    ASSERT_NO_FATAL_FAILURE(open("kinds.html"));
    const std::vector<const char*> members = {"id",      "title", "tabIndex",
                                              "hidden",  "style", "valueAsNumber",
                                              "checked", "value", "nothing"};
    dom::Ref inputs = page.GetElementsByTag("input"_t);
    const std::vector<Text> rows = readEach(inputs, members);
    ASSERT_EQ(rows.size(), 4 * members.size());
    for (int position = 1; position <= 4; ++position) {
        dom::Ref input = itemAt(inputs, position);
        for (std::size_t m = 0; m < members.size(); ++m) {
            SCOPED_TRACE(std::to_string(position) + " " + members[m]);
            EXPECT_EQ(rows[(position - 1) * members.size() + m].toUtf8(),
                      dom::getText(input, members[m]).toUtf8());
        }
    }
    EXPECT_EQ(rows[members.size() + 5].bytes(), "1.23456789012346e+19");
    EXPECT_TRUE(readEach(dom::Ref(), members).empty());
}

}  // namespace
}  // namespace quelvo
