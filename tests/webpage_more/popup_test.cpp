// The popup box: its style, content and place, hiding it, and colour texts.
#include <gtest/gtest.h>

#include <QWebEngineView>

#include <memory>
#include <optional>
#include <vector>

#include "platform/dom/dom.h"
#include "support/browserfixture.h"
#include "support/wait.h"
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
    static bool open(const dom::Ref& popup) { return dom::get(popup, "isOpen").toNumber() == -1.0; }

    // The windows that show popup boxes over the browser view.
    QList<QWebEngineView*> boxes() const {
        return m_browser->findChildren<QWebEngineView*>("quelvo-popup");
    }
    QList<QWebEngineView*> shownBoxes() const {
        QList<QWebEngineView*> shown;
        for (QWebEngineView* box : boxes()) {
            if (box->isVisibleTo(m_browser))
                shown.append(box);
        }
        return shown;
    }
    // A box's place in the browser view's coordinates.
    QRect place(QWebEngineView* box) const {
        return box->geometry().translated(-m_browser->view()->pos());
    }
    // Whether the markup a box shows comes to hold `needle`.
    static bool shows(QWebEngineView* box, const std::string& needle) {
        return test::waitFor([&] {
            auto html = std::make_shared<std::optional<std::string>>();
            box->page()->toHtml([html](const QString& h) { *html = h.toStdString(); });
            test::waitFor([&] { return html->has_value(); }, 5000);
            return html->has_value() && (*html)->find(needle) != std::string::npos;
        });
    }
    std::string tagAt(int x, int y) {
        dom::Ref element = page.ElementAtPoint(x, y);
        return dom::getText(element, "id").toUtf8() + "/" +
               dom::getText(element, "tagName").toUtf8();
    }

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
    ASSERT_EQ(shownBoxes().size(), 1);
    QWebEngineView* box = shownBoxes().front();
    EXPECT_EQ(place(box), QRect(5, 6, 120, 40));
    EXPECT_TRUE(shows(box, "<b id=\"c\">内容</b>"));
    EXPECT_TRUE(shows(box, "background-color: rgb(255, 255, 255)"));
}

// A box is no part of the page: not a frame, not in its markup or elements, not at a point.
TEST_F(PopupTest, BoxBelongsToNoQueryOfThePage) {
    const Text markup = page.GetPageText("outerHTML"_t);
    const std::string under = tagAt(105, 55);
    ASSERT_EQ(under, "anchor/DIV");
    dom::Ref popup = page.ShowPopup(95, 45, 50, 50, "<b id=\"c\">内容</b>"_t);
    ASSERT_TRUE(open(popup));
    ASSERT_EQ(shownBoxes().size(), 1);
    EXPECT_EQ(page.FrameCount(), 0);
    EXPECT_TRUE(page.GetFrame("1"_t, 2).empty());
    EXPECT_TRUE(page.GetFrameElement("1"_t, 2).empty());
    EXPECT_EQ(page.GetPageText("outerHTML"_t), markup);
    EXPECT_EQ(dom::getNumber(page.GetElementsByTag("iframe"_t), "length"), 0.0);
    EXPECT_TRUE(byId(doc, "c").empty());
    EXPECT_EQ(tagAt(105, 55), under);
}

// Boxes go once no reference holds them (the release rides along with the next call), and with
// the document that made them.
TEST_F(PopupTest, ReleasedBoxesAndBoxesOfAnOldDocumentGo) {
    {
        dom::Ref kept = page.ShowPopup(0, 0, 20, 20, "kept"_t);
        {
            std::vector<dom::Ref> popups;
            for (int i = 0; i < 3; ++i)
                popups.push_back(page.ShowPopup(10 * i, 0, 20, 20, Text(std::to_string(i))));
            EXPECT_EQ(shownBoxes().size(), 4);
        }
        EXPECT_EQ(page.FrameCount(), 0);
        EXPECT_TRUE(test::waitFor([&] { return boxes().size() == 1; }));
        EXPECT_TRUE(open(kept));
    }
    EXPECT_EQ(page.FrameCount(), 0);
    EXPECT_TRUE(test::waitFor([&] { return boxes().empty(); }));

    dom::Ref popup = page.ShowPopup(0, 0, 20, 20, "x"_t);
    ASSERT_EQ(boxes().size(), 1);
    ASSERT_TRUE(load("popup.html"));
    EXPECT_TRUE(test::waitFor([&] { return boxes().empty(); }));
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
    ASSERT_EQ(shownBoxes().size(), 1);
    EXPECT_EQ(place(shownBoxes().front()), QRect(110, 70, 30, 40));
    dom::Ref free = page.ShowPopup(10, 20, 30, 40, "b"_t);
    // Each call makes a new box.
    ASSERT_EQ(shownBoxes().size(), 2);
    QList<QRect> places;
    for (QWebEngineView* box : shownBoxes())
        places.append(place(box));
    EXPECT_TRUE(places.contains(QRect(10, 20, 30, 40)));
    EXPECT_TRUE(places.contains(QRect(110, 70, 30, 40)));
    EXPECT_EQ(dom::getText(body(anchored), "innerHTML").bytes(), "a");
}

TEST_F(PopupTest, HidePopupHidesAndASecondHideChangesNothing) {
    dom::Ref popup = page.ShowPopup(0, 0, 50, 50, "x"_t);
    ASSERT_TRUE(open(popup));
    ASSERT_EQ(shownBoxes().size(), 1);
    page.HidePopup(popup);
    EXPECT_FALSE(open(popup));
    EXPECT_TRUE(shownBoxes().empty());
    page.HidePopup(popup);
    EXPECT_FALSE(open(popup));
    EXPECT_TRUE(shownBoxes().empty());
    EXPECT_EQ(dom::getText(body(popup), "innerHTML").bytes(), "x");
    page.HidePopup(dom::Ref());

    WebPage unbound;
    EXPECT_TRUE(unbound.ShowPopup(0, 0, 50, 50, "x"_t).empty());
}

}  // namespace
}  // namespace quelvo
