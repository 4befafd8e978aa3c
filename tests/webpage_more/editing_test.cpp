// Changing element markup and text, focus, showing and hiding, document members, and forms.
#include <gtest/gtest.h>

#include "platform/dom/dom.h"
#include "support/browserfixture.h"
#include "support/wait.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

class EditingTest : public test::BrowserTest {
protected:
    EditingTest() : BrowserTest("webpage_more") {}

    void open(const char* fixture) {
        ASSERT_TRUE(load(fixture));
        doc = document();
        ASSERT_TRUE(page.Bind(doc, std::nullopt));
    }

    std::string text(const char* id, const char* member) {
        return dom::getText(byId(doc, id), member).toUtf8();
    }

    dom::Ref doc;
    WebPage page;
};

using Writer = bool (WebPage::*)(const dom::Ref&, const Text&);

struct WriterCase {
    const char* name;
    Writer write;
    const char* written;
    const char* outerHtmlOfList;  // of the list element, after the write to its first item
};

class ElementWriters : public EditingTest, public ::testing::WithParamInterface<WriterCase> {};

TEST_P(ElementWriters, WriteTheMemberOfTheGivenElementBoundOrNot) {
    open("content.html");
    const WriterCase& c = GetParam();
    dom::Ref first = dom::callObject(dom::getObject(byId(doc, "list"), "children"), "item", {0.0});
    WebPage unbound;
    EXPECT_TRUE((unbound.*c.write)(first, Text::fromUtf8(c.written)));
    EXPECT_EQ(text("list", "outerHTML"), c.outerHtmlOfList);
    EXPECT_FALSE((page.*c.write)(dom::Ref(), "x"_t));
}

INSTANTIATE_TEST_SUITE_P(
    Members, ElementWriters,
    ::testing::Values(
        WriterCase{"inner html", &WebPage::SetInnerHtml, "<i>新</i>",
                   "<ul id=\"list\"><li><i>新</i></li><li>two</li><li>three</li></ul>"},
        WriterCase{"inner text", &WebPage::SetInnerText, "<i>新</i>",
                   "<ul id=\"list\"><li>&lt;i&gt;新&lt;/i&gt;</li><li>two</li><li>three</li></ul>"},
        WriterCase{"outer html", &WebPage::SetOuterHtml, "<p>新</p>",
                   "<ul id=\"list\"><p>新</p><li>two</li><li>three</li></ul>"},
        WriterCase{"outer text", &WebPage::SetOuterText, "新",
                   "<ul id=\"list\">新<li>two</li><li>three</li></ul>"}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (ch == ' ')
                ch = '_';
        return name;
    });

TEST_F(EditingTest, RefusedWriteReportsFalse) {
    open("content.html");
    // The root element has no parent to take its place.
    EXPECT_FALSE(page.SetOuterHtml(dom::getObject(doc, "documentElement"), "<p>x</p>"_t));
    EXPECT_EQ(text("box", "id"), "box");
}

TEST_F(EditingTest, FocusElementFocusesTheElement) {
    open("content.html");
    page.FocusElement(byId(doc, "field"));
    EXPECT_EQ(dom::getText(dom::getObject(doc, "activeElement"), "id").bytes(), "field");
    page.FocusElement(dom::Ref());
    EXPECT_EQ(dom::getText(dom::getObject(doc, "activeElement"), "id").bytes(), "field");
}

TEST_F(EditingTest, ShowsAndHidesElementsByTheirKind) {
    open("visibility.html");
    dom::Ref div = byId(doc, "inline");
    dom::Ref divStyle = dom::getObject(div, "style");
    EXPECT_TRUE(page.SetElementVisible(div, false));
    EXPECT_EQ(dom::getText(divStyle, "display").bytes(), "none");
    // Shown means block, also for an element that was inline before.
    EXPECT_TRUE(page.SetElementVisible(div, true));
    EXPECT_EQ(dom::getText(divStyle, "display").bytes(), "block");

    // The tag name reads INPUT: lowered, it is an input, and its type changes.
    dom::Ref secret = byId(doc, "secret");
    ASSERT_EQ(dom::getText(secret, "tagName").bytes(), "INPUT");
    EXPECT_TRUE(page.SetElementVisible(secret, false));
    EXPECT_EQ(text("secret", "type"), "hidden");
    EXPECT_TRUE(page.SetElementVisible(secret, true));
    EXPECT_EQ(text("secret", "type"), "text");
    EXPECT_EQ(text("secret", "value"), "pw");
    EXPECT_TRUE(dom::getText(dom::getObject(secret, "style"), "display").empty());

    EXPECT_TRUE(page.SetElementVisible(byId(doc, "tick"), true));
    EXPECT_EQ(text("tick", "type"), "text");

    WebPage unbound;
    EXPECT_TRUE(unbound.SetElementVisible(div, false));
    EXPECT_FALSE(page.SetElementVisible(dom::Ref(), true));
}

TEST_F(EditingTest, DocumentPropertyPassesItsOneArgumentEvenWhenEmpty) {
    open("content.html");
    // lookupNamespaceURI needs its argument: an empty prefix names the HTML namespace.
    EXPECT_EQ(page.GetDocumentProperty("lookupNamespaceURI"_t, Text()).bytes(),
              "http://www.w3.org/1999/xhtml");
    EXPECT_EQ(page.GetDocumentProperty("QUERYCOMMANDSUPPORTED"_t, "bold"_t).bytes(), "-1");
    // A plain property takes no argument, and a missing member gives nothing.
    EXPECT_TRUE(page.GetDocumentProperty("title"_t, Text()).empty());
    EXPECT_TRUE(page.GetDocumentProperty("noSuchMember"_t, "x"_t).empty());
    WebPage unbound;
    EXPECT_TRUE(unbound.GetDocumentProperty("lookupNamespaceURI"_t, Text()).empty());
}

struct FormCase {
    const char* key;
    int mode;
    const char* formId;  // nullptr: no form
};

class FormLookups : public EditingTest, public ::testing::WithParamInterface<FormCase> {};

TEST_P(FormLookups, FindTheFormOrNothing) {
    open("forms.html");
    const FormCase& c = GetParam();
    dom::Ref form = page.GetForm(Text(c.key), c.mode);
    if (c.formId) {
        EXPECT_EQ(dom::getText(form, "id").bytes(), c.formId);
    } else {
        EXPECT_TRUE(form.empty());
        EXPECT_FALSE(page.SubmitForm(Text(c.key), c.mode));
        EXPECT_EQ(dom::getText(doc, "title").bytes(), "forms");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, FormLookups,
    ::testing::Values(FormCase{"login", 0, "loginId"}, FormCase{"Login", 0, nullptr},
                      FormCase{"", 0, "second"}, FormCase{"loginId", 1, "loginId"},
                      FormCase{"loginid", 1, nullptr}, FormCase{"Search", 1, "Search"},
                      FormCase{"1", 2, "loginId"}, FormCase{"3", 2, "Search"},
                      FormCase{"0", 2, nullptr}, FormCase{"abc", 2, nullptr},
                      FormCase{"4", 2, nullptr}, FormCase{"login", 3, nullptr}));

TEST_F(EditingTest, SubmitFormSubmitsTheMatchingForm) {
    open("forms.html");
    EXPECT_TRUE(page.SubmitForm("login"_t, 0));
    EXPECT_TRUE(test::waitFor([&] { return title() == "done"; }));
    EXPECT_NE(m_browser->page()->url().toString().toStdString().find("done.html?user=u"),
              std::string::npos);

    WebPage unbound;
    EXPECT_TRUE(unbound.GetForm("login"_t, 0).empty());
    EXPECT_FALSE(unbound.SubmitForm("1"_t, 2));
}

}  // namespace
}  // namespace quelvo
