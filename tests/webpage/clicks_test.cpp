// Clicking links and buttons in every mode, and the making run's sequence.
#include <gtest/gtest.h>

#include "platform/dom/dom.h"
#include "support/browserfixture.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

class ClicksTest : public test::BrowserTest {
protected:
    ClicksTest() : BrowserTest("webpage") {}
    void open(const char* fixture) {
        ASSERT_TRUE(load(fixture));
        ASSERT_TRUE(page.Bind(std::nullopt, win::handleOf(m_host.get())));
    }
    std::string hit() { return page.GetPageText("title"_t).toUtf8(); }
    WebPage page;
};

struct ClickCase {
    const char* key;
    int mode;
    std::optional<bool> exact;
    const char* clicked;  // the title the click leaves, nullptr when nothing is clicked
};

TEST_F(ClicksTest, ClickLink) {
    open("links.html");
    const ClickCase cases[] = {
        {"first", 0, {}, "hit:first"},
        {"plain", 0, {}, "hit:plain"},  // any kind of element by id
        {"named", 1, {}, "hit:spanid"},
        {"missing", 0, {}, nullptr},
        {"2", 2, {}, "hit:second"},
        {"0", 2, {}, nullptr},
        {"abc", 2, {}, nullptr},
        {"6", 2, {}, nullptr},
        {"news", 3, {}, "hit:first"},
        {"news", 3, true, "hit:second"},
        {"NEWS", 3, true, nullptr},  // exact means the whole text
        {"Latest NEWS today", 3, true, "hit:first"},
        {"", 3, {}, "hit:first"},
        {"", 3, true, "hit:noaddress"},
        {"新闻", 3, {}, "hit:china"},
        {"#CN", 4, {}, "hit:china"},
        {"/pictures/", 4, false, "hit:last"},
        {"Pictures", 4, true, nullptr},
        {"first", 5, {}, nullptr},
        {"first", -1, {}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " mode " + std::to_string(c.mode));
        ASSERT_TRUE(dom::put(page.boundDocument, "title", "none"_t));
        EXPECT_EQ(page.ClickLink(Text::fromUtf8(c.key), c.mode, c.exact), c.clicked != nullptr);
        EXPECT_EQ(hit(), c.clicked ? c.clicked : "none");
    }
}

TEST_F(ClicksTest, ClickButton) {
    open("buttons.html");
    const ClickCase cases[] = {
        {"realbutton", 0, {}, "hit:realbutton"},  // by id any element, a button element too
        {"2", 2, {}, "hit:plain1"},               // text, SUBMIT, hidden, plain: the plain one
        {"1", 2, {}, "hit:submit1"},
        {"5", 2, {}, "hit:image1"},
        {"6", 2, {}, nullptr},  // the button element is not an input
        {"go", 3, {}, "hit:plain1"},
        {"Go", 3, true, "hit:plain1"},
        {"send", 3, {}, "hit:submit1"},
        {"pic.gif", 4, {}, "hit:image1"},   // the submit input with a src is not a picture button
        {"img/pic.gif", 4, true, nullptr},  // src reads as the whole address
        {"x", 7, {}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " mode " + std::to_string(c.mode));
        ASSERT_TRUE(dom::put(page.boundDocument, "title", "none"_t));
        EXPECT_EQ(page.ClickButton(Text::fromUtf8(c.key), c.mode, c.exact), c.clicked != nullptr);
        EXPECT_EQ(hit(), c.clicked ? c.clicked : "none");
    }
}

TEST_F(ClicksTest, UnboundPageClicksNothing) {
    WebPage unbound;
    for (int mode = -1; mode <= 5; ++mode) {
        EXPECT_FALSE(unbound.ClickLink("1"_t, mode));
        EXPECT_FALSE(unbound.ClickButton("1"_t, mode));
    }
}

TEST_F(ClicksTest, MakingSequenceFillsTwelveFieldsAndPressesMakeInFewRoundTrips) {
    ASSERT_TRUE(load("make.html"));
    const char* ids[] = {"qq",         "usernick",    "userannouncement",
                         "usergender", "userage",     "userbirthday",
                         "usergroup",  "userlunar",   "userconstellation",
                         "qzonenick",  "useraddress", "userreflections"};
    const std::uint64_t before = dom::roundTrips();
    WebPage& made = page;
    ASSERT_TRUE(made.Bind(std::nullopt, win::handleOf(m_host.get())));
    std::string expected = "made:";
    for (int i = 0; i < 12; ++i) {
        Text value =
            i == 0 ? "12345"_t : (i % 2 ? Text() : Text::fromUtf8("项目" + std::to_string(i)));
        EXPECT_TRUE(made.SetFieldValue(Text(ids[i]), 0, value));
        expected += (i ? "|" : "") + value.toUtf8();
    }
    EXPECT_TRUE(made.ClickButton("btnmake"_t, 1));
    const std::uint64_t trips = dom::roundTrips() - before;
    EXPECT_LE(trips, 30u);
    EXPECT_EQ(hit(), expected);
}

}  // namespace
}  // namespace quelvo
