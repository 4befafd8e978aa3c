// WebPage on the document of a frame: a same-origin frame works like a page of its own, a frame of
// another origin gives neutral results throughout.
#include <gtest/gtest.h>

#include <QWebEngineView>
#include <atomic>

#include "platform/dom/dom.h"
#include "support/browserfixture.h"
#include "support/wait.h"
#include "webpage/optiongroups.h"
#include "webpage/selectbox.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

class FramesTest : public test::BrowserTest {
protected:
    FramesTest() : BrowserTest("webpage_more"), m_otherOrigin(test::fixturesDir("webpage_more")) {}

    void SetUp() override {
        BrowserTest::SetUp();
        // Another port is another origin.
        m_server.route("/two.html",
                       test::Response{200, "text/html; charset=utf-8",
                                      "<!DOCTYPE html><title>two</title>"
                                      "<iframe name=\"same\" src=\"inner.html\"></iframe>"
                                      "<iframe name=\"far\" src=\"" +
                                          m_otherOrigin.url("/inner.html") + "\"></iframe>"});
        ASSERT_TRUE(load("two.html"));
        ASSERT_TRUE(outer.Bind(document(), std::nullopt));
        ASSERT_TRUE(test::waitFor([&] {
            return dom::getText(dom::getObject(outer.GetFrame("same"_t, 0), "document"),
                                "readyState")
                       .bytes() == "complete";
        }));
    }

    dom::Ref frameDocument(const char* name) {
        return dom::getObject(outer.GetFrame(Text(name), 0), "document");
    }

    test::LoopbackServer m_otherOrigin;
    WebPage outer;
};

TEST_F(FramesTest, SameOriginFrameDocumentWorksLikeAPage) {
    dom::Ref doc = frameDocument("SAME");
    WebPage page;
    ASSERT_TRUE(page.Bind(doc, std::nullopt));
    EXPECT_EQ(page.GetPageText("title"_t).bytes(), "inner");

    // Lookups and companions.
    EXPECT_EQ(page.GetSelectBox("colour"_t, 0)->Count(), 2);
    EXPECT_TRUE(page.GetRadioGroup("size"_t)->IsChecked(1));
    page.GetCheckboxGroup("size"_t)->Check(2);
    EXPECT_FALSE(page.GetRadioGroup("size"_t)->IsChecked(1));
    EXPECT_EQ(dom::getText(page.GetForm("login"_t, 0), "id").bytes(), "loginForm");
    EXPECT_EQ(dom::getNumber(page.GetElementsByTag("input"_t), "length"), 3.0);
    EXPECT_FALSE(page.ElementAtPoint(5, 5).empty());
    EXPECT_EQ(page.FrameCount(), 0);

    // The frame's own selection.
    dom::Ref bold = dom::getObject(doc, "getElementById", {"bold"_t});
    dom::Ref selection = dom::callObject(dom::getObject(doc, "parentWindow"), "getSelection");
    dom::call(selection, "selectAllChildren", {bold});
    EXPECT_EQ(page.GetSelectedText(1).bytes(), "<b id=\"bold\">word</b>");
    EXPECT_EQ(page.GetSelectedText().bytes(), "word");
    page.ReplaceSelection("<i>w</i>"_t);
    EXPECT_EQ(page.GetInnerHtml(dom::getObject(doc, "getElementById", {"line"_t})).bytes(),
              "A <i>w</i> here");

    // Editing, visibility, events, scripts and document members.
    dom::Ref panel = dom::getObject(doc, "getElementById", {"panel"_t});
    EXPECT_TRUE(page.SetElementVisible(panel, true));
    EXPECT_EQ(dom::getText(dom::getObject(panel, "style"), "display").bytes(), "block");
    EXPECT_TRUE(page.SetInnerText(panel, "新"_t));
    EXPECT_EQ(page.GetOuterHtml(panel).toUtf8(),
              "<div id=\"panel\" style=\"display: block;\">新</div>");
    EXPECT_TRUE(page.FireElementEvent(panel, "onclick"_t));
    page.RunScript("document.title = 'run in frame';"_t, "JScript"_t);
    EXPECT_EQ(page.GetPageText("title"_t).bytes(), "run in frame");
    EXPECT_EQ(outer.GetPageText("title"_t).bytes(), "two");
    EXPECT_EQ(page.GetDocumentProperty("lookupNamespaceURI"_t, Text()).bytes(),
              "http://www.w3.org/1999/xhtml");

    // A popup of the frame's window is placed in the frame's part of the view, and is no part of
    // the frame's document.
    dom::Ref holder = outer.GetFrameElement("same"_t, 0);
    dom::Ref rect = dom::callObject(holder, "getBoundingClientRect");
    const int left =
        static_cast<int>(dom::getNumber(rect, "left") + dom::getNumber(holder, "clientLeft"));
    const int top =
        static_cast<int>(dom::getNumber(rect, "top") + dom::getNumber(holder, "clientTop"));
    dom::Ref popup = page.ShowPopup(1, 2, 30, 20, "p"_t);
    const auto boxes = m_browser->findChildren<QWidget*>("quelvo-popup");
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.front()->isVisibleTo(m_browser));
    EXPECT_EQ(boxes.front()->geometry().translated(-m_browser->view()->pos()),
              QRect(left + 1, top + 2, 30, 20));
    EXPECT_EQ(page.FrameCount(), 0);
    EXPECT_EQ(dom::getNumber(page.GetElementsByTag("iframe"_t), "length"), 0.0);
    page.HidePopup(popup);
    EXPECT_NE(dom::get(popup, "isOpen").toNumber(), -1.0);
    EXPECT_FALSE(boxes.front()->isVisibleTo(m_browser));

    page.WriteDocument("<p id=\"w\">written</p>"_t);
    EXPECT_EQ(page.GetInnerText(dom::getObject(doc, "getElementById", {"w"_t})).bytes(), "written");
    EXPECT_TRUE(dom::getObject(outer.boundDocument, "getElementById", {"w"_t}).empty());

    page.Navigate("done.html"_t);
    EXPECT_TRUE(test::waitFor(
        [&] { return dom::getText(frameDocument("same"), "title").bytes() == "done"; }));
    EXPECT_EQ(outer.GetPageText("title"_t).bytes(), "two");
}

TEST_F(FramesTest, SubmitFormInAFrameSubmitsThere) {
    WebPage page;
    ASSERT_TRUE(page.Bind(frameDocument("same"), std::nullopt));
    EXPECT_FALSE(page.SubmitForm("Login"_t, 0));
    EXPECT_TRUE(page.SubmitForm("login"_t, 0));
    EXPECT_TRUE(test::waitFor(
        [&] { return dom::getText(frameDocument("same"), "title").bytes() == "done"; }));
}

TEST_F(FramesTest, FrameOfAnotherOriginGivesNeutralResults) {
    // What the far frame's page would ask its own server for, had anything of ours run there.
    std::atomic<int> reached{0};
    std::atomic<int> control{0};
    m_otherOrigin.route("/reached", [&reached] {
        ++reached;
        return test::Response{200, "text/plain", "reached"};
    });
    m_otherOrigin.route("/control", [&control] {
        ++control;
        return test::Response{200, "text/plain", "control"};
    });

    EXPECT_EQ(outer.FrameCount(), 2);
    // Its name and id cannot be read, its position can be found, and its document not.
    EXPECT_TRUE(outer.GetFrame("far"_t, 0).empty());
    dom::Ref far = outer.GetFrame("2"_t, 2);
    ASSERT_FALSE(far.empty());
    // Until its page arrives the frame holds an empty document of this origin.
    ASSERT_TRUE(test::waitFor([&] { return dom::getObject(far, "document").empty(); }));
    EXPECT_TRUE(outer.GetFrameElement("2"_t, 2).empty());
    WebPage page;
    EXPECT_FALSE(page.Bind(dom::getObject(far, "document"), std::nullopt));

    // The far frame's window answers nothing beyond what other origins may see, and runs nothing
    // of ours: no script, no popup, no write into its document.
    const Text fetchReached = "new Image().src = '/reached';"_t;
    EXPECT_TRUE(dom::getText(far, "name").empty());
    EXPECT_TRUE(dom::getObject(far, "frameElement").empty());
    EXPECT_TRUE(dom::getObject(far, "location").empty() ||
                dom::getText(dom::getObject(far, "location"), "href").empty());
    EXPECT_TRUE(dom::call(far, "execScript", {fetchReached, "JScript"_t}).isEmpty());
    EXPECT_TRUE(dom::call(far, "EXECSCRIPT", {fetchReached}).isEmpty());
    EXPECT_TRUE(dom::call(far, "eval", {fetchReached}).isEmpty());
    EXPECT_TRUE(dom::call(far, "setTimeout", {fetchReached, 0.0}).isEmpty());
    EXPECT_TRUE(dom::callObject(far, "createPopup").empty());
    EXPECT_FALSE(dom::put(dom::getObject(far, "document"), "title", "reached"_t));
    EXPECT_TRUE(
        dom::call(dom::getObject(far, "document"), "write", {"<img src='/reached'>"_t}).isEmpty());
    EXPECT_TRUE(dom::getObject(dom::getObject(far, "document"), "body").empty());

    // A request the far server may get, from the outer page and sent after all of the above: once
    // it is there, anything those calls had set going in the far frame would be there too.
    dom::Ref body = dom::getObject(outer.boundDocument, "body");
    dom::invokeLater(
        body, "insertAdjacentHTML",
        {"beforeend"_t, Text::fromUtf8("<img src='" + m_otherOrigin.url("/control") + "'>")});
    dom::flush(body);
    ASSERT_TRUE(test::waitFor([&] { return control > 0; }));
    EXPECT_EQ(reached, 0);
    EXPECT_EQ(outer.GetPageText("title"_t).bytes(), "two");
    EXPECT_EQ(dom::getText(frameDocument("same"), "title").bytes(), "inner");
}

}  // namespace
}  // namespace quelvo
