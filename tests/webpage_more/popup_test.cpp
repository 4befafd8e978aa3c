// The popup box: its style, content and place, hiding it, and colour texts.
#include <gtest/gtest.h>

#include "platform/dom/dom.h"
#include "support/browserfixture.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

struct ColourCase {
    std::int32_t colour;
    const char* html;
};

class ColorToHtmlCases : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ColorToHtmlCases, WritesRedGreenBlueAsSixUppercaseDigits) {
    WebPage page;
    EXPECT_EQ(page.ColorToHtml(GetParam().colour).bytes(), GetParam().html);
}

INSTANTIATE_TEST_SUITE_P(Colours, ColorToHtmlCases,
                         ::testing::Values(ColourCase{0, "000000"}, ColourCase{255, "FF0000"},
                                           ColourCase{0x00FF00, "00FF00"},
                                           ColourCase{0xC0C0C0, "C0C0C0"},
                                           ColourCase{0x00FFFFFF, "FFFFFF"},
                                           ColourCase{0x12345678, "785634"},
                                           ColourCase{0x0A0B0C, "0C0B0A"}, ColourCase{-1, "FFFFFF"},
                                           ColourCase{INT32_MIN, "000000"}));

class PopupTest : public test::BrowserTest {
protected:
    PopupTest() : BrowserTest("webpage_more") {}

    void SetUp() override {
        BrowserTest::SetUp();
        ASSERT_TRUE(load("popup.html"));
        doc = document();
        ASSERT_TRUE(page.Bind(doc, std::nullopt));
    }

    static dom::Ref body(const dom::Ref& popup) {
        return dom::getObject(dom::getObject(popup, "document"), "body");
    }
    static std::string bodyStyle(const dom::Ref& popup, const char* member) {
        return dom::getText(dom::getObject(body(popup), "style"), member).toUtf8();
    }
    // The frame element that holds the popup's document in the page.
    static dom::Ref holder(const dom::Ref& popup) {
        dom::Ref window = dom::getObject(dom::getObject(popup, "document"), "parentWindow");
        return dom::getObject(window, "frameElement");
    }
    static std::string place(const dom::Ref& popup) {
        dom::Ref style = dom::getObject(holder(popup), "style");
        return dom::getText(style, "left").toUtf8() + " " + dom::getText(style, "top").toUtf8() +
               " " + dom::getText(style, "width").toUtf8() + " " +
               dom::getText(style, "height").toUtf8();
    }
    static bool open(const dom::Ref& popup) { return dom::get(popup, "isOpen").toNumber() == -1.0; }

    dom::Ref doc;
    WebPage page;
};

TEST_F(PopupTest, DefaultsGiveAWhiteBoxWithASilverOnePixelBorder) {
    dom::Ref popup = page.ShowPopup(5, 6, 120, 40, "<b id=\"c\">内容</b>"_t);
    ASSERT_FALSE(popup.empty());
    EXPECT_TRUE(open(popup));
    EXPECT_EQ(bodyStyle(popup, "backgroundColor"), "rgb(255, 255, 255)");
    EXPECT_EQ(bodyStyle(popup, "border"), "1px solid rgb(192, 192, 192)");
    EXPECT_EQ(dom::getText(body(popup), "innerHTML").toUtf8(), "<b id=\"c\">内容</b>");
    EXPECT_EQ(place(popup), "5px 6px 120px 40px");
    // A box of its own over the page, not content of the page's body.
    EXPECT_TRUE(byId(doc, "c").empty());
    EXPECT_EQ(dom::getText(dom::getObject(holder(popup), "ownerDocument"), "title").bytes(),
              "popup");
}

struct StyleCase {
    std::optional<std::int32_t> background, width, colour;
    const char* backgroundColor;
    const char* border;
};

class PopupStyles : public PopupTest, public ::testing::WithParamInterface<StyleCase> {};

TEST_P(PopupStyles, GivenValuesAreUsedAsTheyComeZeroIncluded) {
    const StyleCase& c = GetParam();
    dom::Ref popup = page.ShowPopup(0, 0, 50, 50, "x"_t, c.background, c.width, c.colour);
    EXPECT_EQ(bodyStyle(popup, "backgroundColor"), c.backgroundColor);
    EXPECT_EQ(bodyStyle(popup, "border"), c.border);
}

INSTANTIATE_TEST_SUITE_P(
    Values, PopupStyles,
    ::testing::Values(
        StyleCase{0, std::nullopt, std::nullopt, "rgb(0, 0, 0)", "1px solid rgb(192, 192, 192)"},
        StyleCase{std::nullopt, 0, std::nullopt, "rgb(255, 255, 255)",
                  "0px solid rgb(192, 192, 192)"},
        StyleCase{0x0000FF, 3, 0xFF0000, "rgb(255, 0, 0)", "3px solid rgb(0, 0, 255)"},
        StyleCase{std::nullopt, std::nullopt, 0, "rgb(255, 255, 255)", "1px solid rgb(0, 0, 0)"}));

TEST_F(PopupTest, AnchorPlacesTheBoxRelativeToTheElement) {
    dom::Ref anchor = byId(doc, "anchor");
    dom::Ref anchored =
        page.ShowPopup(10, 20, 30, 40, "a"_t, std::nullopt, std::nullopt, std::nullopt, anchor);
    EXPECT_EQ(place(anchored), "110px 70px 30px 40px");
    dom::Ref free = page.ShowPopup(10, 20, 30, 40, "b"_t);
    EXPECT_EQ(place(free), "10px 20px 30px 40px");
    // Each call makes a new box.
    EXPECT_EQ(dom::getNumber(dom::getObject(doc, "getElementsByTagName", {"iframe"_t}), "length"),
              2.0);
    EXPECT_EQ(dom::getText(body(anchored), "innerHTML").bytes(), "a");
}

TEST_F(PopupTest, HidePopupHidesAndASecondHideChangesNothing) {
    dom::Ref popup = page.ShowPopup(0, 0, 50, 50, "x"_t);
    ASSERT_TRUE(open(popup));
    page.HidePopup(popup);
    EXPECT_FALSE(open(popup));
    page.HidePopup(popup);
    EXPECT_FALSE(open(popup));
    EXPECT_EQ(dom::getText(body(popup), "innerHTML").bytes(), "x");
    page.HidePopup(dom::Ref());

    WebPage unbound;
    EXPECT_TRUE(unbound.ShowPopup(0, 0, 50, 50, "x"_t).empty());
}

}  // namespace
}  // namespace quelvo
