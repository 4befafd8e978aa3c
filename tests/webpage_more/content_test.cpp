// Element markup and text, frames by name, id and position, navigation, written documents,
// scripts and fired events.
#include <gtest/gtest.h>

#include "platform/dom/dom.h"
#include "support/browserfixture.h"
#include "support/wait.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

class ContentTest : public test::BrowserTest {
protected:
    ContentTest() : BrowserTest("webpage_more") {}

    void open(const char* fixture) {
        ASSERT_TRUE(load(fixture));
        doc = document();
        ASSERT_TRUE(page.Bind(doc, std::nullopt));
    }

    std::string docTitle() { return dom::getText(doc, "title").toUtf8(); }

    dom::Ref doc;
    WebPage page;
};

TEST_F(ContentTest, ElementReadersWorkOnTheGivenElementBoundOrNot) {
    open("content.html");
    dom::Ref box = byId(doc, "box");
    WebPage unbound;
    for (WebPage* p : {&page, &unbound}) {
        EXPECT_EQ(p->GetInnerHtml(box).toUtf8(), "<b>bold</b> 文字");
        EXPECT_EQ(p->GetInnerText(box).toUtf8(), "bold 文字");
        EXPECT_EQ(p->GetOuterText(box).toUtf8(), "bold 文字");
        EXPECT_EQ(p->GetOuterHtml(box).toUtf8(),
                  "<div id=\"box\" style=\"position:absolute; left:10px; top:10px; width:50px; "
                  "height:50px\"><b>bold</b> 文字</div>");
    }
    dom::Ref none;
    EXPECT_TRUE(page.GetInnerHtml(none).empty());
    EXPECT_TRUE(page.GetInnerText(none).empty());
    EXPECT_TRUE(page.GetOuterHtml(none).empty());
    EXPECT_TRUE(page.GetOuterText(none).empty());
}

TEST_F(ContentTest, TextAreaGivesItsTextAsInnerAndOuterText) {
    open("events.html");
    dom::Ref area = byId(doc, "area");
    EXPECT_EQ(page.GetInnerText(area).toUtf8(), "line one");
    EXPECT_EQ(page.GetOuterText(area).toUtf8(), "line one");
    // What the user typed, not the markup's text.
    ASSERT_TRUE(dom::put(area, "value", "typed 文字"_t));
    EXPECT_EQ(page.GetInnerText(area).toUtf8(), "typed 文字");
    EXPECT_EQ(page.GetOuterText(area).toUtf8(), "typed 文字");
}

struct FrameCase {
    const char* key;
    int mode;
    const char* frameElementId;  // nullptr: no frame
};

class FrameLookups : public ContentTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(FrameLookups, FindTheFrameAndItsElementOrNothing) {
    open("frames.html");
    ASSERT_TRUE(test::waitFor([&] { return page.FrameCount() == 2; }));
    const FrameCase& c = GetParam();
    dom::Ref frame = page.GetFrame(Text(c.key), c.mode);
    dom::Ref holder = page.GetFrameElement(Text(c.key), c.mode);
    if (c.frameElementId) {
        EXPECT_FALSE(frame.empty());
        EXPECT_EQ(dom::getText(holder, "id").bytes(), c.frameElementId);
        EXPECT_EQ(dom::getText(dom::getObject(frame, "frameElement"), "id").bytes(),
                  c.frameElementId);
    } else {
        EXPECT_TRUE(frame.empty());
        EXPECT_TRUE(holder.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, FrameLookups,
    ::testing::Values(FrameCase{"main", 0, "frameA"}, FrameCase{"MAIN", 0, "frameA"},
                      FrameCase{"", 0, "FrameB"}, FrameCase{"frameA", 0, nullptr},
                      FrameCase{"framea", 1, "frameA"}, FrameCase{"FRAMEB", 1, "FrameB"},
                      FrameCase{"Main", 1, nullptr}, FrameCase{"1", 2, "frameA"},
                      FrameCase{"2", 2, "FrameB"}, FrameCase{"0", 2, nullptr},
                      FrameCase{"abc", 2, nullptr}, FrameCase{"3", 2, nullptr},
                      FrameCase{"main", 3, nullptr}));

TEST_F(ContentTest, PageWithoutFramesHasNone) {
    open("content.html");
    EXPECT_EQ(page.FrameCount(), 0);
    for (int mode : {0, 1, 2}) {
        EXPECT_TRUE(page.GetFrame(""_t, mode).empty());
        EXPECT_TRUE(page.GetFrame("1"_t, mode).empty());
        EXPECT_TRUE(page.GetFrameElement("1"_t, mode).empty());
    }
    WebPage unbound;
    EXPECT_EQ(unbound.FrameCount(), 0);
}

TEST_F(ContentTest, NavigateLoadsTheAddressInTheDocumentsWindow) {
    open("content.html");
    page.Navigate(Text(m_server.url("/done.html")));
    EXPECT_TRUE(test::waitFor([&] { return title() == "done"; }));
    WebPage unbound;
    unbound.Navigate("about:blank"_t);
}

TEST_F(ContentTest, WriteDocumentReplacesTheDocument) {
    open("content.html");
    page.WriteDocument("<p id=\"w\">写入</p>"_t);
    EXPECT_EQ(dom::getText(byId(doc, "w"), "innerText").toUtf8(), "写入");
    EXPECT_TRUE(byId(doc, "box").empty());

    page.WriteDocument(Text());
    EXPECT_EQ(page.GetPageText("outerHTML"_t).bytes(), "<html><head></head><body></body></html>");
}

TEST_F(ContentTest, RunScriptRunsJScriptInThePagesOwnWorld) {
    open("content.html");
    // The page's own function, reachable only from the page's world.
    page.RunScript("window.pageFlag = 'set'; document.title = 'js ' + typeof window.pageFlag;"_t,
                   "JScript"_t);
    EXPECT_EQ(docTitle(), "js string");
    page.RunScript("document.title = 'javascript';"_t, "javascript"_t);
    EXPECT_EQ(docTitle(), "javascript");
    // An empty language is passed on as it is and names no language.
    page.RunScript("document.title = 'empty';"_t, Text());
    EXPECT_EQ(docTitle(), "javascript");
}

TEST_F(ContentTest, RunScriptWithoutLanguageIsVBScript) {
    open("content.html");
#ifdef QUELVO_HAS_VBSCRIPT
    page.RunScript("Document.Title = \"vb\""_t);
    EXPECT_EQ(docTitle(), "vb");
#else
    // Without a VBScript translator the script cannot run, and nothing happens.
    page.RunScript("document.title = 'not vbscript';"_t);
    EXPECT_EQ(docTitle(), "content");
#endif
}

TEST_F(ContentTest, FireElementEventRunsTheHandlerAndReportsTheCall) {
    open("content.html");
    EXPECT_TRUE(page.FireElementEvent(byId(doc, "target"), "onclick"_t));
    EXPECT_EQ(docTitle(), "fired");
    // A handler that cancels the event: the call reports it.
    EXPECT_FALSE(page.FireElementEvent(byId(doc, "refuser"), "onclick"_t));
    // No handler: the event is still fired.
    EXPECT_TRUE(page.FireElementEvent(byId(doc, "field"), "onfocus"_t));
    WebPage unbound;
    EXPECT_TRUE(unbound.FireElementEvent(byId(doc, "target"), "onclick"_t));
    EXPECT_FALSE(page.FireElementEvent(dom::Ref(), "onclick"_t));
}

struct EventNameCase {
    const char* name;  // UTF-8
    bool fired;
    const char* title;  // the page's title afterwards
};

// Only on… names are events. Any other name fires nothing, and reading it calls no method of the
// element ("click" would click it).
TEST_F(ContentTest, FireElementEventTakesOnlyOnNames) {
    const EventNameCase cases[] = {
        {"onclick", true, "clicked 1"}, {"ONCLICK", true, "clicked 1"},
        {"on点击", true, "fired 点击"}, {"click", false, "events"},
        {"", false, "events"},          {"on", false, "events"},
        {"focus", false, "events"},     {"blur", false, "events"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        open("events.html");
        EXPECT_EQ(page.FireElementEvent(byId(doc, "target"), Text::fromUtf8(c.name)), c.fired);
        EXPECT_EQ(docTitle(), c.title);
    }
}

}  // namespace
}  // namespace quelvo
