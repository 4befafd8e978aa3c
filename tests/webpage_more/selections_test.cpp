// The selection as text or HTML and its replacement; select boxes by name, id or position;
// elements by point and by tag.
#include <gtest/gtest.h>

#include <optional>

#include "platform/dom/dom.h"
#include "support/browserfixture.h"
#include "webpage/selectbox.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

class SelectionTest : public test::BrowserTest {
protected:
    SelectionTest() : BrowserTest("webpage_more") {}

    void SetUp() override {
        BrowserTest::SetUp();
        ASSERT_TRUE(load("selection.html"));
        doc = document();
        ASSERT_TRUE(page.Bind(doc, std::nullopt));
    }

    // Selects the characters [from, to) of the first text node inside the element.
    void selectText(const char* id, int from, int to) {
        dom::Ref text = dom::getObject(byId(doc, id), "firstChild");
        dom::Ref selection = dom::callObject(dom::getObject(doc, "parentWindow"), "getSelection");
        dom::call(selection, "setBaseAndExtent",
                  {dom::Value(text), std::int32_t{from}, dom::Value(text), std::int32_t{to}});
    }

    dom::Ref doc;
    WebPage page;
};

struct FormatCase {
    std::optional<int> format;
    bool html;
};

class SelectedTextFormats : public SelectionTest,
                            public ::testing::WithParamInterface<FormatCase> {};

TEST_P(SelectedTextFormats, BoldWordGivesItsMarkupAsHtmlAndTheWordAsText) {
    selectText("bold", 0, 4);
    const std::string got = page.GetSelectedText(GetParam().format).toUtf8();
    if (GetParam().html) {
        EXPECT_EQ(got, "<b id=\"bold\">word</b>");
    } else {
        EXPECT_EQ(got, "word");
    }
}

TEST_P(SelectedTextFormats, NothingSelectedGivesEmptyText) {
    EXPECT_TRUE(page.GetSelectedText(GetParam().format).empty());
}

INSTANTIATE_TEST_SUITE_P(Formats, SelectedTextFormats,
                         ::testing::Values(FormatCase{std::nullopt, false}, FormatCase{0, false},
                                           FormatCase{-3, false}, FormatCase{1, true},
                                           FormatCase{2, true}));

TEST_F(SelectionTest, PartOfAnElementIsJustThatText) {
    selectText("other", 0, 5);
    EXPECT_EQ(page.GetSelectedText(1).toUtf8(), "plain");
    EXPECT_EQ(page.GetSelectedText().toUtf8(), "plain");
}

TEST_F(SelectionTest, ReplaceSelectionPastesHtmlInPlaceOfTheSelection) {
    selectText("other", 0, 5);
    page.ReplaceSelection("<i id=\"new\">新</i>"_t);
    EXPECT_EQ(dom::getText(byId(doc, "other"), "innerHTML").toUtf8(), "<i id=\"new\">新</i> text");

    // With nothing selected nothing changes.
    dom::call(dom::callObject(dom::getObject(doc, "parentWindow"), "getSelection"),
              "removeAllRanges");
    const Text before = page.GetPageText("outerHTML"_t);
    page.ReplaceSelection("<i>x</i>"_t);
    EXPECT_EQ(page.GetPageText("outerHTML"_t), before);

    WebPage unbound;
    EXPECT_TRUE(unbound.GetSelectedText(1).empty());
    unbound.ReplaceSelection("x"_t);
}

TEST_F(SelectionTest, ReplaceSelectionRunsNoScriptOfTheHtml) {
    selectText("other", 0, 5);
    page.ReplaceSelection("<script>document.title = 'ran'</script><i id=\"new\">新</i>"_t);
    EXPECT_EQ(dom::getText(doc, "title").toUtf8(), "selection");
    EXPECT_FALSE(byId(doc, "new").empty());
}

struct ControlCase {
    const char* id;
    int from, to;
    const char* selected;
    const char* value;  // after "<b>新</b>" replaced the selection
};

// A selection inside a text box or text area is part of its value; what replaces it goes in as
// text, and the page around the control stays as it was.
TEST_F(SelectionTest, SelectionInsideAFocusedTextControlIsPartOfItsValue) {
    const ControlCase cases[] = {
        {"box", 6, 11, "world", "hello <b>新</b>"},
        {"area", 4, 7, "two", "one <b>新</b> three"},
        {"box", 5, 5, "", "hello<b>新</b> world"},  // a caret: inserted there
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.id) + " " + std::to_string(c.from));
        ASSERT_TRUE(load("selection.html"));
        doc = document();
        ASSERT_TRUE(page.Bind(doc, std::nullopt));
        const Text before = page.GetPageText("outerHTML"_t);
        dom::Ref control = byId(doc, c.id);
        dom::call(control, "focus");
        dom::call(control, "setSelectionRange", {std::int32_t{c.from}, std::int32_t{c.to}});
        EXPECT_EQ(page.GetSelectedText().toUtf8(), c.selected);
        EXPECT_EQ(page.GetSelectedText(1).toUtf8(), c.selected);
        page.ReplaceSelection("<b>新</b>"_t);
        EXPECT_EQ(dom::getText(control, "value").toUtf8(), c.value);
        EXPECT_EQ(page.GetPageText("outerHTML"_t), before);
    }
}

class SelectBoxLookupTest : public test::BrowserTest {
protected:
    SelectBoxLookupTest() : BrowserTest("webpage_more") {}
    void SetUp() override {
        BrowserTest::SetUp();
        ASSERT_TRUE(load("selects.html"));
        ASSERT_TRUE(page.Bind(document(), std::nullopt));
    }
    WebPage page;
};

struct LookupCase {
    const char* key;  // UTF-8
    int mode;
    const char* foundId;  // nullptr: attached to nothing
};

class SelectBoxLookups : public SelectBoxLookupTest,
                         public ::testing::WithParamInterface<LookupCase> {};

TEST_P(SelectBoxLookups, FindsTheSelectElementOrNothing) {
    const LookupCase& c = GetParam();
    auto box = page.GetSelectBox(Text::fromUtf8(c.key), c.mode);
    ASSERT_NE(box, nullptr);
    if (c.foundId) {
        EXPECT_EQ(dom::getText(box->selectElement, "id").bytes(), c.foundId);
        EXPECT_GT(box->Count(), 0);
    } else {
        EXPECT_TRUE(box->selectElement.empty());
        EXPECT_EQ(box->Count(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SelectBoxLookups,
    ::testing::Values(LookupCase{"colour", 0, "colourBox"}, LookupCase{"cOLOUR", 0, "colourBox"},
                      // The trail byte of 丅 is 'B': lowering it would turn the name into x乥.
                      LookupCase{"X丅", 0, "Sizes"}, LookupCase{"x乥", 0, nullptr},
                      LookupCase{"", 0, "nameless"}, LookupCase{"nobody", 0, nullptr},
                      LookupCase{"outside", 0, nullptr}, LookupCase{"SIZES", 1, "Sizes"},
                      LookupCase{"colour", 1, nullptr}, LookupCase{"outside", 1, nullptr},
                      LookupCase{"2", 2, "Sizes"}, LookupCase{"２", 2, "Sizes"},
                      LookupCase{" 3x", 2, "nameless"}, LookupCase{"0", 2, nullptr},
                      LookupCase{"abc", 2, nullptr}, LookupCase{"4", 2, nullptr},
                      LookupCase{"colour", 3, nullptr}, LookupCase{"1", -1, nullptr}));

TEST_F(SelectBoxLookupTest, UnboundPageGivesAnUnattachedBox) {
    WebPage unbound;
    auto box = unbound.GetSelectBox("colour"_t, 0);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->Count(), 0);
}

class ElementLookupTest : public test::BrowserTest {
protected:
    ElementLookupTest() : BrowserTest("webpage_more") {}
};

TEST_F(ElementLookupTest, ElementAtPointAndElementsByTag) {
    ASSERT_TRUE(load("content.html"));
    WebPage page;
    ASSERT_TRUE(page.Bind(document(), std::nullopt));
    EXPECT_EQ(dom::getText(page.ElementAtPoint(20, 30), "id").bytes(), "box");
    EXPECT_TRUE(page.ElementAtPoint(-5, -5).empty());

    dom::Ref items = page.GetElementsByTag("LI"_t);
    EXPECT_EQ(dom::getNumber(items, "length"), 3.0);
    EXPECT_EQ(dom::getNumber(page.GetElementsByTag("marquee"_t), "length"), 0.0);

    WebPage unbound;
    EXPECT_TRUE(unbound.ElementAtPoint(20, 30).empty());
    EXPECT_TRUE(unbound.GetElementsByTag("li"_t).empty());
}

}  // namespace
}  // namespace quelvo
