// Field values, silencing page dialogs and opening in the shell.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include "platform/dom/dom.h"
#include "support/browserfixture.h"
#include "support/wait.h"
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
        {"byid", 0, true, "byid"},    {"byid", 2, true, "byid"},      {"byid", -1, true, "byid"},
        {"byname", 1, true, "byid"},  {"byname", 0, false, nullptr},  {"byid", 1, false, nullptr},
        {"notes", 0, true, "notes"},  {"nothing", 0, false, nullptr}, {"", 0, false, nullptr},
        {"plain", 0, false, nullptr},  // a div has no value to write: none is made up
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

struct ShellCase {
    const char* target;  // UTF-8; "@" stands for the test folder
    const char* opened;  // what reaches the handlers, "@" again the folder; nullptr: nothing
};

// Existing files and folders, relative or absolute, open as files; addresses with a scheme open
// as they are; nothing else is guessed into a host name.
TEST_F(FieldsTest, OpenInShellOpensFilesAddressesAndNothingGuessed) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path();
    ASSERT_TRUE(QDir(folder).mkdir("docs"));
    for (const char* name : {"notes.txt", "笔记 1.txt"}) {
        QFile file(folder + "/" + QString::fromUtf8(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder));

    const ShellCase cases[] = {
        {"notes.txt", "file://@/notes.txt"},
        {"@/notes.txt", "file://@/notes.txt"},
        {"docs", "file://@/docs"},
        {"笔记 1.txt", "file://@/笔记 1.txt"},
        {"http://127.0.0.1:9/页面?q=1", "http://127.0.0.1:9/页面?q=1"},
        {"mailto:someone@example.org", "mailto:someone@example.org"},
        {"missing.txt", nullptr},
        {"example.org", nullptr},
        {"", nullptr},
    };
    UrlCatcher catcher;
    for (const char* scheme : {"file", "http", "mailto"})
        QDesktopServices::setUrlHandler(scheme, &catcher, "open");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        catcher.urls.clear();
        QString target = QString::fromUtf8(c.target).replace("@", folder);
        page.OpenInShell(Text::fromUtf16(target.toStdU16String()));
        if (c.opened) {
            ASSERT_EQ(catcher.urls.size(), 1u);
            EXPECT_EQ(catcher.urls[0].toString(), QString::fromUtf8(c.opened).replace("@", folder));
        } else {
            EXPECT_TRUE(catcher.urls.empty());
        }
    }
    for (const char* scheme : {"file", "http", "mailto"})
        QDesktopServices::unsetUrlHandler(scheme);
    QDir::setCurrent(before);
}

// An executable program is started, not opened as a document.
TEST_F(FieldsTest, OpenInShellStartsAProgram) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile program(dir.filePath("start.sh"));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.write("#!/bin/sh\necho started > \"$(dirname \"$0\")/marker\"\n");
    program.close();
    program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    page.OpenInShell(Text::fromUtf8(program.fileName().toStdString()));
    QDesktopServices::unsetUrlHandler("file");
    EXPECT_TRUE(catcher.urls.empty());
    EXPECT_TRUE(test::waitFor([&] { return QFile::exists(dir.filePath("marker")); }, 20000));
}

}  // namespace
}  // namespace quelvo

#include "fields_test.moc"
