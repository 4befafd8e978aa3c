// The document interface on real pages: member rules, neutral results, isolation, pipelining,
// and pages that go away under a call.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <atomic>
#include <csignal>

#include "platform/dom/channel.h"
#include "support/browserfixture.h"
#include "support/wait.h"

namespace quelvo {
namespace {

using dom::Value;

class DomTest : public test::BrowserTest {
protected:
    DomTest() : BrowserTest("dom") {}
};

TEST_F(DomTest, ReadsWritesAndCallsMembersWithoutRegardToCase) {
    ASSERT_TRUE(load("basic.html"));
    dom::Ref doc = document();
    ASSERT_FALSE(doc.empty());
    EXPECT_EQ(dom::getText(doc, "title").toUtf8(), "基本页");
    EXPECT_EQ(dom::getText(doc, "TITLE").toUtf8(), "基本页");

    dom::Ref field = dom::getObject(doc, "GetElementByID", {"name"_t});
    EXPECT_EQ(dom::getText(field, "Value").toUtf8(), "start");
    EXPECT_TRUE(dom::put(field, "VALUE", "新的 😀"_t));
    EXPECT_EQ(dom::getText(field, "value").toUtf8(), "新的 😀");
    // Texts that would end a script or a string literal arrive as they are.
    const std::string awkward = "it's \"q\" \\ \u2028 \u2029 </script> ${x} `";
    EXPECT_TRUE(dom::put(field, "value", Text::fromUtf8(awkward)));
    EXPECT_EQ(dom::getText(field, "value").toUtf8(), awkward);

    // Booleans come back as −1 / 0, counts as reals.
    EXPECT_EQ(dom::get(byId(doc, "agree"), "checked").toNumber(), -1.0);
    EXPECT_EQ(dom::get(byId(doc, "off"), "checked").toNumber(), 0.0);
    Value links = dom::get(dom::getObject(doc, "getElementsByTagName", {"a"_t}), "length");
    EXPECT_EQ(links.kind(), Value::Kind::Real);
    EXPECT_EQ(links.toNumber(), 2.0);

    // A read of a method calls it; a write to a method calls it with the value.
    dom::invokeLater(byId(doc, "go"), "CLICK");
    dom::flush(doc);
    EXPECT_EQ(title(), "clicked");
    EXPECT_TRUE(dom::put(doc, "write", "<p id='w'>written</p>"_t));
    EXPECT_EQ(dom::getText(byId(doc, "w"), "textContent").toUtf8(), "written");
}

TEST_F(DomTest, FailuresGiveNeutralResults) {
    ASSERT_TRUE(load("basic.html"));
    dom::Ref doc = document();
    dom::Ref none;
    EXPECT_TRUE(dom::get(none, "title").isEmpty());
    EXPECT_FALSE(dom::put(none, "title", "x"_t));
    EXPECT_TRUE(dom::getText(doc, "noSuchMember").empty());
    EXPECT_TRUE(byId(doc, "missing").empty());
    // A plain property given arguments fails; so does a write the element refuses.
    EXPECT_TRUE(dom::get(doc, "title", {"x"_t}).isEmpty());
    EXPECT_FALSE(dom::put(byId(doc, "name"), "tagName", "P"_t));
    // Collection items by position, and item with no argument is the first.
    dom::Ref links = dom::getObject(doc, "getElementsByTagName", {"a"_t});
    EXPECT_EQ(dom::getText(dom::callObject(links, "item", {0.0}), "id").toUtf8(), "l1");
    EXPECT_EQ(dom::getText(dom::callObject(links, "item"), "id").toUtf8(), "l1");
    EXPECT_TRUE(dom::callObject(links, "item", {5.0}).empty());
}

struct WriteCase {
    const char* id;
    const char* member;
    bool accepted;
};

// A write reaches a member the object has, own or inherited, found without regard to case; a
// member it lacks is not made up.
TEST_F(DomTest, WritesReachOnlyMembersTheObjectHas) {
    ASSERT_TRUE(load("basic.html"));
    dom::Ref doc = document();
    const WriteCase cases[] = {
        {"box", "value", false},   {"box", "noSuchMember", false}, {"box", "Title", true},
        {"name", "VALUE", true},   {"name", "defaultvalue", true}, {"box", "innerText", true},
        {"go", "onclickx", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.id) + "." + c.member);
        dom::Ref element = byId(doc, c.id);
        EXPECT_EQ(dom::put(element, c.member, "写"_t), c.accepted);
        EXPECT_EQ(dom::getText(element, c.member), c.accepted ? "写"_t : Text());
    }
}

// Member names are texts like any other: one outside ASCII reaches the page as that name.
TEST_F(DomTest, MemberNamesOutsideAsciiArriveAsTheyAre) {
    ASSERT_TRUE(load("basic.html"));
    dom::Ref data = dom::getObject(byId(document(), "box"), "dataset");
    EXPECT_EQ(dom::getText(data, "名字"_t.bytes()).toUtf8(), "值");
    EXPECT_TRUE(dom::put(data, "名字"_t.bytes(), "新值"_t));
    EXPECT_EQ(dom::getText(data, "名字"_t.bytes()).toUtf8(), "新值");
}

TEST_F(DomTest, PageThatBreaksBuiltinsBreaksNothing) {
    ASSERT_TRUE(load("hostile.html"));
    dom::Ref doc = document();
    ASSERT_FALSE(doc.empty());
    dom::Ref field = byId(doc, "field");
    ASSERT_FALSE(field.empty());
    EXPECT_TRUE(dom::put(field, "value", "ok"_t));
    EXPECT_EQ(dom::getText(field, "value").toUtf8(), "ok");
    dom::invokeLater(byId(doc, "b"), "click");
    dom::flush(doc);
    EXPECT_EQ(title(), "clicked");
}

TEST_F(DomTest, PipelinedCallsShareOneRoundTripAndReleasesCostNone) {
    ASSERT_TRUE(load("basic.html"));
    dom::Ref doc = document();
    std::uint64_t before = dom::roundTrips();
    {
        dom::Ref form = dom::getObject(doc, "getElementById", {"form1"_t});
        dom::Ref field = dom::getObject(form, "querySelector", {"#name"_t});
        EXPECT_EQ(dom::getText(field, "id").toUtf8(), "name");
    }
    EXPECT_EQ(dom::roundTrips() - before, 1u);
    // The two references above are released with the next call, not on their own.
    EXPECT_EQ(dom::getText(doc, "title").toUtf8(), "基本页");
    EXPECT_EQ(dom::roundTrips() - before, 2u);
}

TEST_F(DomTest, ReferencesOfAnOlderDocumentGiveNeutralResults) {
    ASSERT_TRUE(load("basic.html"));
    dom::Ref doc = document();
    dom::Ref field = byId(doc, "name");
    ASSERT_FALSE(field.empty());
    ASSERT_TRUE(load("other.html"));
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(dom::getText(field, "value").empty());
    EXPECT_FALSE(dom::put(field, "value", "x"_t));
    EXPECT_TRUE(dom::getText(doc, "title").empty());
    // Well under one call time-out (8 s): none of the three waited for an answer that never comes.
    EXPECT_LT(clock.elapsed(), 4000);
    EXPECT_EQ(dom::getText(document(), "title").toUtf8(), "other");
}

TEST_F(DomTest, CrashedRendererGivesNeutralResultsWithoutHanging) {
    ASSERT_TRUE(load("basic.html"));
    dom::Ref doc = document();
    ASSERT_FALSE(doc.empty());
    failOnConsoleErrors = false;
    qint64 pid = m_browser->page()->renderProcessPid();
    ASSERT_GT(pid, 0);
    ::kill(static_cast<pid_t>(pid), SIGKILL);
    ASSERT_TRUE(test::waitFor([&] { return m_browser->page()->rendererGone(); }));
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(dom::getText(doc, "title").empty());
    EXPECT_EQ(dom::lastOutcome(doc), dom::Outcome::NoAnswer);  // gone, not slow
    EXPECT_TRUE(document().empty());
    EXPECT_LT(clock.elapsed(), 4000);  // a call time-out is 8 s
    // The control recovers with the next page.
    ASSERT_TRUE(load("other.html"));
    EXPECT_EQ(dom::getText(document(), "title").toUtf8(), "other");
}

TEST_F(DomTest, HungPageTimesOutAndLateAnswersAreDropped) {
    std::atomic<int> started{0};
    m_server.route("/started", [&started] {
        ++started;
        return test::Response{200, "text/plain", "ok"};
    });
    ASSERT_TRUE(load("busy.html"));
    dom::Ref doc = document();
    dom::invokeLater(byId(doc, "hang"), "click");
    dom::flush(doc);
    ASSERT_TRUE(test::waitFor([&] { return started > 0; }));  // busy from now on, for 3 s
    const int saved = dom::Channel::callTimeout();
    dom::Channel::setCallTimeout(200);
    QElapsedTimer clock;
    clock.start();
    const Value late = dom::get(doc, "title");
    const qint64 waited = clock.elapsed();
    dom::Channel::setCallTimeout(saved);
    EXPECT_TRUE(late.isEmpty());
    EXPECT_EQ(dom::lastOutcome(doc), dom::Outcome::TimedOut);
    EXPECT_GE(waited, 180);  // timers may fire a little early
    EXPECT_LT(waited, 2500);
    // Once the page is free, the answer to the abandoned call is not taken for a later one, and a
    // null answer is an answer.
    EXPECT_EQ(dom::getText(doc, "title").toUtf8(), "busy");
    EXPECT_EQ(dom::lastOutcome(doc), dom::Outcome::Answered);
    EXPECT_EQ(dom::get(doc, "onclick").kind(), Value::Kind::Null);
    EXPECT_EQ(dom::lastOutcome(doc), dom::Outcome::Answered);
    EXPECT_EQ(dom::getText(byId(doc, "hang"), "id").toUtf8(), "hang");
}

// A page whose answer would be larger than any reply may be: the read fails like any other, and
// the page goes on answering.
TEST_F(DomTest, ReplyPastTheCapGivesTheNeutralResult) {
    ASSERT_TRUE(load("huge.html"));
    dom::Ref doc = document();
    dom::Ref big = byId(doc, "big");
    EXPECT_EQ(dom::getNumber(dom::getObject(big, "firstChild"), "length"), 64.0 * 1024 * 1024 + 1);
    EXPECT_EQ(dom::get(big, "textContent").kind(), Value::Kind::Empty);
    EXPECT_EQ(dom::lastOutcome(doc), dom::Outcome::Answered);
    EXPECT_EQ(dom::getText(byId(doc, "small"), "textContent").toUtf8(), "small");
    // A long text within the cap still comes back whole.
    EXPECT_TRUE(dom::put(big, "textContent", Text::fromUtf8(std::string(1 << 20, 'y'))));
    EXPECT_EQ(dom::getText(big, "textContent").size(), std::size_t{1} << 20);
}

}  // namespace
}  // namespace quelvo
