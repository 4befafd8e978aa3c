// The page inspector: marks and numbers per pass, appended marks, and windows without a page.
#include <gtest/gtest.h>

#include "platform/dom/dom.h"
#include "support/browserfixture.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

class InspectorTest : public test::BrowserTest {
protected:
    InspectorTest() : BrowserTest("webpage_more") {}

    void SetUp() override {
        BrowserTest::SetUp();
        ASSERT_TRUE(load("inspect.html"));
        doc = document();
    }

    std::string read(const char* id, const char* member) {
        return dom::getText(byId(doc, id), member).toUtf8();
    }

    dom::Ref doc;
    WebPage page;
};

struct Mark {
    const char* id;
    const char* member;
    const char* once;  // after one run
};

// Every pass, with the numbering each pass keeps for itself.
const Mark kMarks[] = {
    {"l1", "innerText", "One[链接1]"},
    {"l1", "title", "[第 1 个链接]"},
    {"l2", "innerText", "Two[链接2]"},  // an anchor without an address is a link too
    {"l2", "title", "Home[第 2 个链接]"},
    {"pic", "title", "[第 1 个图片]"},
    {"f", "value", ""},  // a form has no value to write the mark into: only its title is marked
    {"f", "title", "[第 1 个表单]"},
    {"t1", "value", "a[文本框1]"},
    {"t1", "title", "[第 1 个文本框]"},
    {"p1", "value", "[密码框1]"},
    {"p1", "title", "[第 1 个密码框]"},
    {"t2", "value", "b[文本框2]"},
    {"t2", "title", "[第 2 个文本框]"},
    {"area", "value", "abc[多行文本框1]"},
    {"area", "title", "[第 1 个多行文本框]"},
    {"sub", "value", "Go[提交按钮1]"},
    {"res", "value", "[重置按钮1]"},
    {"res", "title", "[第 1 个重置按钮]"},
    {"file", "value", ""},  // a file box refuses a written value; its title still gets the mark
    {"file", "title", "[第 1 个文件框]"},
    {"imgButton", "value", "[图形按钮1]"},
    {"imgButton", "title", "[第 1 个图形按钮]"},
    {"ib", "value", "B[按钮1]"},
    {"ib", "title", "[第 1 个按钮]"},
    {"b1", "value", "[Button1]"},  // numbered among button elements, not with input buttons
    {"b1", "title", "[第 1 个Button]"},
    {"r1", "value", "x[单选框1]"},
    {"c1", "value", "y[复选框1]"},
    {"c1", "title", "[第 1 个复选框]"},
    {"sel", "title", "[第 1 个组合框]"},
    {"h1", "value", "h[隐藏表单1]"},
    {"h1", "title", "[第 1 个隐藏表单]"},
    {"odd", "title", ""},  // a type none of the passes names
};

TEST_F(InspectorTest, MarksEveryKindWithItsOwnNumbering) {
    page.InspectPage(m_browser->documentWindow());
    for (const Mark& mark : kMarks) {
        SCOPED_TRACE(std::string(mark.id) + "." + mark.member);
        EXPECT_EQ(read(mark.id, mark.member), mark.once);
    }
    // The link mark is red text inside the link.
    dom::Ref font = dom::callObject(
        dom::getObject(byId(doc, "l1"), "getElementsByTagName", {"font"_t}), "item", {0.0});
    EXPECT_EQ(dom::getText(font, "color").bytes(), "#FF0000");
    EXPECT_EQ(dom::getText(font, "innerText").toUtf8(), "[链接1]");
    // The select's value was written "[组合框1]", which no option bears.
    EXPECT_EQ(dom::getNumber(byId(doc, "sel"), "selectedIndex"), -1.0);
}

TEST_F(InspectorTest, ASecondRunAppendsASecondSetOfMarks) {
    page.InspectPage(m_browser->documentWindow());
    page.InspectPage(m_browser->documentWindow());
    EXPECT_EQ(read("l2", "innerText"), "Two[链接2][链接2]");
    EXPECT_EQ(read("l2", "title"), "Home[第 2 个链接][第 2 个链接]");
    EXPECT_EQ(read("t2", "value"), "b[文本框2][文本框2]");
    EXPECT_EQ(read("area", "value"), "abc[多行文本框1][多行文本框1]");
    EXPECT_EQ(read("pic", "title"), "[第 1 个图片][第 1 个图片]");
}

TEST_F(InspectorTest, ValuesOfAnyContentAndKindAreReadAsASingleReadWould) {
    // A separator-like control character and characters outside GBK inside a title; a form,
    // which has no value of its own, gets none made up by its mark.
    dom::Ref link = byId(doc, "l1");
    ASSERT_TRUE(dom::put(link, "title", "a\x01b\x01\x01c 😀"_t));
    dom::Ref form = byId(doc, "f");
    ASSERT_FALSE(dom::put(form, "value", 2.5));
    page.InspectPage(m_browser->documentWindow());
    EXPECT_EQ(read("l1", "title"), "a\x01b\x01\x01c 😀[第 1 个链接]");
    EXPECT_EQ(read("f", "value"), "");
    EXPECT_EQ(read("f", "title"), "[第 1 个表单]");
    EXPECT_EQ(read("l2", "title"), "Home[第 2 个链接]");
}

TEST_F(InspectorTest, WindowThatIsNoDocumentWindowChangesNothing) {
    // The page's host window is not the document window itself, and no search is made below it.
    const std::string before =
        dom::getText(dom::getObject(doc, "documentElement"), "outerHTML").toUtf8();
    const std::string titleBefore = read("t1", "title");
    for (HWND window :
         {win::handleOf(m_host.get()), win::handleOf(m_browser), HWND{0}, HWND{0xBAD}}) {
        page.InspectPage(window);
    }
    EXPECT_EQ(dom::getText(dom::getObject(doc, "documentElement"), "outerHTML").toUtf8(), before);
    EXPECT_EQ(read("t1", "value"), "a");
    EXPECT_EQ(read("t1", "title"), titleBefore);
}

TEST_F(InspectorTest, NeitherUsesNorChangesTheBinding) {
    ASSERT_TRUE(page.Bind(doc, std::nullopt));
    QWidget other;
    auto* browser = new BrowserControl(&other);
    ASSERT_TRUE(browser->load(QUrl(QString::fromStdString(m_server.url("/content.html")))));
    page.InspectPage(browser->documentWindow());
    EXPECT_EQ(read("t1", "value"), "a");
    EXPECT_EQ(page.GetPageText("title"_t).bytes(), "inspect");
}

}  // namespace
}  // namespace quelvo
