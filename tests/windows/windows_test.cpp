// The window-handle layer: handles, class names, child walks, registered messages, the
// document behind a message result.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QThread>

#include "platform/windows/handles.h"
#include "support/browserfixture.h"

namespace quelvo {
namespace {

using namespace win;

TEST(Windows, HandlesNameLiveWidgetsOnly) {
    auto* widget = new QWidget;
    HWND h = handleOf(widget);
    EXPECT_NE(h, 0u);
    EXPECT_EQ(handleOf(widget), h);
    EXPECT_EQ(widgetOf(h), widget);
    delete widget;
    EXPECT_EQ(widgetOf(h), nullptr);
    char name[255];
    EXPECT_EQ(GetClassNameA(h, name, sizeof name), 0);
    EXPECT_EQ(FindWindowExA(h, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(handleOf(nullptr), 0u);
}

TEST(Windows, ClassNamesFitTheBufferGiven) {
    QWidget widget;
    setWindowClass(&widget, std::string(300, 'c'));
    std::array<char, 255> buffer;
    buffer.fill(' ');
    EXPECT_EQ(GetClassNameA(handleOf(&widget), buffer.data(), 255), 254);
    EXPECT_EQ(buffer[254], '\0');
    char small[4];
    EXPECT_EQ(GetClassNameA(handleOf(&widget), small, 4), 3);
    EXPECT_STREQ(small, "ccc");
}

TEST(Windows, FindWindowWalksChildrenInOrderAndTopLevelsForTheDesktop) {
    QWidget top;
    top.setWindowTitle("walk-top");
    auto* a = new QPushButton("first", &top);
    auto* b = new QWidget(&top);
    auto* c = new QPushButton("third", &top);
    setWindowClass(b, "Middle");
    const HWND parent = handleOf(&top);
    EXPECT_EQ(FindWindowExA(parent, 0, nullptr, nullptr), handleOf(a));
    EXPECT_EQ(FindWindowExA(parent, handleOf(a), nullptr, nullptr), handleOf(b));
    EXPECT_EQ(FindWindowExA(parent, handleOf(c), nullptr, nullptr), 0u);
    EXPECT_EQ(FindWindowExA(parent, 0, "Middle", nullptr), handleOf(b));
    EXPECT_EQ(FindWindowExA(parent, 0, nullptr, "third"), handleOf(c));
    EXPECT_EQ(FindWindowExA(parent, handleOf(&top), nullptr, nullptr), 0u);  // not a child

    bool found = false;
    for (HWND w = FindWindowExA(0, 0, nullptr, nullptr); w;
         w = FindWindowExA(0, w, nullptr, nullptr)) {
        found = found || w == parent;
        EXPECT_NE(w, handleOf(a));  // children are not top-level windows
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(FindWindowExA(0, 0, nullptr, "walk-top"), parent);
}

TEST(Windows, RegisteredMessagesAreOneNumberPerName) {
    UINT m = RegisterWindowMessageA("WM_HTML_GETOBJECT");
    EXPECT_GE(m, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageA("wm_html_getobject"), m);
    EXPECT_NE(RegisterWindowMessageA("Quelvo other"), m);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
}

TEST(Windows, SendMessageHonoursItsTimeOut) {
    QWidget widget;
    const UINT m = RegisterWindowMessageA("Quelvo slow");
    int delayMs = 0;
    setMessageHandler(&widget, [&](UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg != m)
            return std::nullopt;
        QThread::msleep(static_cast<unsigned long>(delayMs));
        return 42;
    });
    WPARAM result = 7;
    EXPECT_NE(SendMessageTimeoutA(handleOf(&widget), m, 0, 0, SMTO_ABORTIFHUNG, 1000, &result), 0);
    EXPECT_EQ(result, 42u);
    delayMs = 150;
    result = 7;
    EXPECT_EQ(SendMessageTimeoutA(handleOf(&widget), m, 0, 0, SMTO_ABORTIFHUNG, 50, &result), 0);
    EXPECT_EQ(result, 7u);
    // A window without a procedure for the message answers 0.
    QWidget plain;
    EXPECT_NE(SendMessageTimeoutA(handleOf(&plain), m, 0, 0, SMTO_ABORTIFHUNG, 1000, &result), 0);
    EXPECT_EQ(result, 0u);
}

class DocumentTokenTest : public test::BrowserTest {
protected:
    DocumentTokenTest() : BrowserTest("dom") {}
};

TEST_F(DocumentTokenTest, TokensGiveTheDocumentOnceAndOnlyForTheDocumentInterface) {
    ASSERT_TRUE(load("basic.html"));
    const UINT m = RegisterWindowMessageA("WM_HTML_GETOBJECT");
    WPARAM token = 0;
    ASSERT_NE(
        SendMessageTimeoutA(m_browser->documentWindow(), m, 0, 0, SMTO_ABORTIFHUNG, 1000, &token),
        0);
    ASSERT_NE(token, 0u);
    dom::Ref doc;
    const GUID other = {0x1, 0x2, 0x3, {0, 0, 0, 0, 0, 0, 0, 4}};
    EXPECT_EQ(ObjectFromLresult(static_cast<LRESULT>(token), other, 0, &doc), E_NOINTERFACE);
    EXPECT_EQ(ObjectFromLresult(static_cast<LRESULT>(token), IID_IHTMLDocument, 0, &doc), S_OK);
    EXPECT_EQ(dom::getText(doc, "title").toUtf8(), "基本页");
    dom::Ref again;
    EXPECT_NE(ObjectFromLresult(static_cast<LRESULT>(token), IID_IHTMLDocument, 0, &again), S_OK);
    EXPECT_TRUE(again.empty());
    // The host window has no document to give.
    WPARAM none = 5;
    SendMessageTimeoutA(handleOf(m_browser), m, 0, 0, SMTO_ABORTIFHUNG, 1000, &none);
    EXPECT_EQ(none, 0u);
}

}  // namespace
}  // namespace quelvo
