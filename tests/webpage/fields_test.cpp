// Field values, silencing page dialogs and opening in the shell.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QUrl>

#include "platform/dom/dom.h"
#include "support/browserfixture.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

class FieldsTest : public test::BrowserTest {
protected:
    FieldsTest() : BrowserTest("webpage") {}
    void SetUp() override {
        BrowserTest::SetUp();
        ASSERT_TRUE(load("fields.html"));
        ASSERT_TRUE(page.Bind(std::nullopt, win::handleOf(m_host.get())));
    }
    WebPage page;
};

struct FieldCase {
    const char* key;
    int mode;
    bool found;
    const char* element;  // id of the element written
};

TEST_F(FieldsTest, SetAndGetByIdOrName) {
    const FieldCase cases[] = {
        {"byid", 0, true, "byid"},   {"byid", 2, true, "byid"},      {"byid", -1, true, "byid"},
        {"byname", 1, true, "byid"}, {"byname", 0, false, nullptr},  {"byid", 1, false, nullptr},
        {"notes", 0, true, "notes"}, {"nothing", 0, false, nullptr}, {"", 0, false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " mode " + std::to_string(c.mode));
        const Text value = "值 😀 "_t + Text(c.key);
        EXPECT_EQ(page.SetFieldValue(Text(c.key), c.mode, value), c.found);
        EXPECT_EQ(page.GetFieldValue(Text(c.key), c.mode), c.found ? value : Text());
        if (c.element) {
            EXPECT_EQ(page.GetFieldValue(Text(c.element), 0), value);
        }
    }
    EXPECT_TRUE(page.SetFieldValue("byid"_t, 0, Text()));
    EXPECT_TRUE(page.GetFieldValue("byid"_t, 0).empty());
}

TEST_F(FieldsTest, UnboundPageFindsNothing) {
    WebPage unbound;
    EXPECT_FALSE(unbound.SetFieldValue("byid"_t, 0, "x"_t));
    EXPECT_TRUE(unbound.GetFieldValue("byid"_t, 0).empty());
    EXPECT_TRUE(unbound.GetElement("byid"_t, 0).empty());
    EXPECT_TRUE(unbound.GetElement("byname"_t, 1).empty());
    unbound.SilenceDialogs();
}

TEST_F(FieldsTest, SilencedDialogsShowNothing) {
    ASSERT_TRUE(page.ClickButton("ask"_t, 0));
    EXPECT_EQ(dialogs, (std::vector<std::string>{"alert:hello", "confirm:sure?", "prompt:name?"}));
    dialogs.clear();
    page.SilenceDialogs();
    page.SilenceDialogs();
    ASSERT_TRUE(page.ClickButton("ask"_t, 0));
    EXPECT_TRUE(dialogs.empty());
    EXPECT_EQ(page.GetPageText("title"_t).toUtf8(), "asked");
}

// Catches what the shell would be asked to open, instead of starting a browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.push_back(url); }
};

TEST_F(FieldsTest, OpenInShellHandsTheAddressToTheSystem) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("http", &catcher, "open");
    page.OpenInShell("http://127.0.0.1:9/页面?q=1"_t);
    QDesktopServices::unsetUrlHandler("http");
    ASSERT_EQ(catcher.urls.size(), 1u);
    EXPECT_EQ(catcher.urls[0].host(), "127.0.0.1");
    EXPECT_EQ(catcher.urls[0].path(), QString::fromUtf8("/页面"));
}

}  // namespace
}  // namespace quelvo

#include "fields_test.moc"
