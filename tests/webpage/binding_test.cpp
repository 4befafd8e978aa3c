// Binding a WebPage by document and by window, the window walk, and the page text.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QVBoxLayout>

#include "platform/dom/dom.h"
#include "support/browserfixture.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

class BindingTest : public test::BrowserTest {
protected:
    BindingTest() : BrowserTest("webpage") {}
    HWND host() { return win::handleOf(m_host.get()); }
    Text title(WebPage& page) { return page.GetPageText("title"_t); }
};

TEST_F(BindingTest, BindsByHostWindowDocumentWindowOrDocument) {
    ASSERT_TRUE(load("fields.html"));
    WebPage page;
    EXPECT_TRUE(page.Bind(std::nullopt, host()));
    EXPECT_EQ(title(page).toUtf8(), "fields");

    WebPage direct;
    EXPECT_EQ(GetWindowClassName(m_browser->documentWindow()).bytes(), "Internet Explorer_Server");
    EXPECT_TRUE(direct.Bind(std::nullopt, m_browser->documentWindow()));
    EXPECT_EQ(title(direct).toUtf8(), "fields");

    WebPage byDocument;
    EXPECT_TRUE(byDocument.Bind(page.boundDocument, std::nullopt));
    EXPECT_EQ(title(byDocument).toUtf8(), "fields");
    // The very document it holds, and a document given together with a window: the document.
    EXPECT_TRUE(byDocument.Bind(byDocument.boundDocument, std::nullopt));
    QWidget lonely;
    EXPECT_TRUE(byDocument.Bind(page.boundDocument, win::handleOf(&lonely)));
    EXPECT_EQ(title(byDocument).toUtf8(), "fields");
}

TEST_F(BindingTest, FailedBindingsKeepOrDropTheOldDocumentAsTheyShould) {
    ASSERT_TRUE(load("fields.html"));
    WebPage page;
    ASSERT_TRUE(page.Bind(std::nullopt, host()));

    QWidget noBrowser;
    new QPushButton("x", &noBrowser);
    EXPECT_FALSE(page.Bind(std::nullopt, win::handleOf(&noBrowser)));
    EXPECT_FALSE(page.Bind(std::nullopt, 0xDEAD0));  // names no window
    EXPECT_FALSE(page.Bind(std::nullopt, std::nullopt));
    EXPECT_EQ(title(page).toUtf8(), "fields");

    EXPECT_FALSE(page.Bind(dom::Ref(), std::nullopt));
    EXPECT_TRUE(page.boundDocument.empty());
    EXPECT_TRUE(title(page).empty());
}

TEST_F(BindingTest, TwoBrowsersBelowOneWindowBindTheFirstInDepthFirstOrder) {
    ASSERT_TRUE(load("fields.html"));
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* nest = new QWidget(&window);
    layout->addWidget(nest);
    auto* first = new BrowserControl(nest);
    auto* second = new BrowserControl(&window);
    layout->addWidget(second);
    ASSERT_TRUE(second->load(QUrl(QString::fromStdString(m_server.url("/links.html")))));
    ASSERT_TRUE(first->load(QUrl(QString::fromStdString(m_server.url("/make.html")))));

    WebPage page;
    EXPECT_EQ(page.FindBrowserWindow(win::handleOf(&window)), first->documentWindow());
    ASSERT_TRUE(page.Bind(std::nullopt, win::handleOf(&window)));
    EXPECT_EQ(title(page).toUtf8(), "make");

    std::vector<HWND> handles{7};
    EXPECT_TRUE(page.FindAllBrowserWindows(win::handleOf(&window), handles));
    EXPECT_EQ(handles, (std::vector<HWND>{7, first->documentWindow(), second->documentWindow()}));
}

TEST_F(BindingTest, DesktopHandleSearchesTheTopLevelWindows) {
    ASSERT_TRUE(load("fields.html"));
    WebPage page;
    EXPECT_TRUE(page.Bind(std::nullopt, HWND{0}));
    EXPECT_EQ(title(page).toUtf8(), "fields");
}

TEST_F(BindingTest, NoDocumentYetMeansNoBinding) {
    QWidget window;
    auto* fresh = new BrowserControl(&window);
    WebPage page;
    EXPECT_FALSE(page.Bind(std::nullopt, win::handleOf(fresh)));
}

TEST_F(BindingTest, PageText) {
    ASSERT_TRUE(load("fields.html"));
    WebPage page;
    ASSERT_TRUE(page.Bind(std::nullopt, host()));
    std::string source = page.GetPageText("outerHTML"_t).toUtf8();
    EXPECT_EQ(source.rfind("<html>", 0), 0u) << source.substr(0, 40);
    EXPECT_NE(source.find("id=\"byid\""), std::string::npos);
    EXPECT_NE(page.GetPageText("innerText"_t).toUtf8().find("ask"), std::string::npos);
    // Only the exact words are special; "OuterHTML" is asked of the document itself.
    EXPECT_TRUE(page.GetPageText("OuterHTML"_t).empty());
    EXPECT_TRUE(page.GetPageText(Text()).empty());
    EXPECT_EQ(page.GetPageText("URL"_t).toUtf8(), m_server.url("/fields.html"));

    WebPage unbound;
    EXPECT_TRUE(unbound.GetPageText("outerHTML"_t).empty());
}

TEST_F(BindingTest, WindowDocumentComesOnlyFromADocumentWindow) {
    ASSERT_TRUE(load("fields.html"));
    EXPECT_TRUE(GetWindowDocument(host()).empty());
    EXPECT_TRUE(GetWindowDocument(win::handleOf(m_browser)).empty());
    dom::Ref doc = GetWindowDocument(m_browser->documentWindow());
    EXPECT_EQ(dom::getText(doc, "title").toUtf8(), "fields");
    EXPECT_TRUE(GetWindowClassName(0xDEAD0).empty());
}

TEST_F(BindingTest, CloneAndDestroyOwnTheirOwnReferences) {
    ASSERT_TRUE(load("fields.html"));
    WebPage unbound;
    EXPECT_TRUE(unbound.Clone()->boundDocument.empty());
    unbound.Destroy();

    auto page = std::make_unique<WebPage>();
    ASSERT_TRUE(page->Bind(std::nullopt, host()));
    std::unique_ptr<WebPage> clone = page->Clone();
    clone->Destroy();
    EXPECT_EQ(title(*page).toUtf8(), "fields");
    clone = page->Clone();
    page->Destroy();
    page.reset();
    EXPECT_EQ(title(*clone).toUtf8(), "fields");
}

}  // namespace
}  // namespace quelvo
