// The hidden page's own dialogs in the making window: a storm of them can be blocked and a make
// then ends, and page texts in boxes are shown as characters.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QWebEnginePage>

#include <atomic>
#include <string>
#include <vector>

#include "app/makingwindow.h"
#include "appfixture.h"
#include "platform/browser/automationpage.h"
#include "platform/browser/browsercontrol.h"
#include "platform/dom/channel.h"
#include "support/loopbackserver.h"
#include "support/wait.h"

namespace quelvo::app {
namespace {

const QString kPageTitle = QStringLiteral("网页消息");

struct PageBox {
    std::string text;
    bool offersBlock = false;
};

// Sees every page dialog as it is shown, before any answerer closes it, and takes up the offer to
// block further dialogs when `block` says so. Prompts are answered here.
class PageBoxes : public QObject {
public:
    PageBoxes() { qApp->installEventFilter(this); }
    ~PageBoxes() override { qApp->removeEventFilter(this); }

    std::vector<PageBox> seen;
    std::vector<Qt::TextFormat> formats;  // of the label showing the page's text
    bool block = true;

    int count(const std::string& prefix) const {
        int n = 0;
        for (const PageBox& box : seen)
            n += box.text.rfind(prefix, 0) == 0;
        return n;
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() != QEvent::Show)
            return false;
        auto* dialog = qobject_cast<QDialog*>(object);
        if (!dialog || dialog->windowTitle() != kPageTitle)
            return false;
        auto* offer = dialog->findChild<QCheckBox*>(QStringLiteral("blockDialogs"));
        if (offer && block)
            offer->setChecked(true);
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            seen.push_back({box->text().toStdString(), offer != nullptr});
            formats.push_back(box->textFormat());
            return false;
        }
        // A prompt: the label holds the page's text.
        auto* label = dialog->findChild<QLabel*>();
        seen.push_back({label ? label->text().toStdString() : std::string(), offer != nullptr});
        formats.push_back(label ? label->textFormat() : Qt::AutoText);
        QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
        return false;
    }
};

class PageDialogsTest : public test::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        m_site.route("/stop", [this] {
            ++m_polls;
            return test::Response{200, "text/plain", m_stop ? "1" : "0"};
        });
        // Alerts until the test lets it stop: each one would hold the make's call again.
        m_site.route("/storm.html", test::Response{200, "text/html; charset=utf-8", R"html(
<!doctype html>
<title>storm</title><input name="btnmake" type="button" value="make" onclick="storm()">
<script>
function stopped() {
  var ask = new XMLHttpRequest();
  ask.open('GET', '/stop', false);
  ask.send();
  return ask.responseText === '1';
}
function storm() {
  while (!stopped()) alert('again');
  document.title = 'storm over';
}
</script>)html"});
        m_site.route("/loadstorm.html", test::Response{200, "text/html; charset=utf-8", R"html(
<!doctype html>
<title>loading</title><script>
for (var i = 0; i < 50; i++) alert('load ' + i);
document.title = 'loaded';
</script>)html"});
        m_savedTimeout = dom::Channel::callTimeout();
        dom::Channel::setCallTimeout(2000);
    }
    void TearDown() override {
        m_stop = true;
        dom::Channel::setCallTimeout(m_savedTimeout);
        AppTest::TearDown();
    }

    MakingWindow* openOn(const std::string& path) {
        MakingWindow* window = MakingWindow::open();
        window->browser()->navigate(QUrl(QString::fromStdString(m_site.url(path))));
        if (!waitForPage(window, QString::fromStdString(path)))
            ADD_FAILURE() << path << " did not load";
        return window;
    }

    std::string title(MakingWindow* window) {
        return window->browser()->page()->title().toStdString();
    }

    test::LoopbackServer m_site;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_polls{0};
    int m_savedTimeout = 0;
    PageBoxes m_boxes;
};

TEST_F(PageDialogsTest, StormInTheMakeButtonCanBeBlockedAndTheMakeEnds) {
    // Without the block the storm would never end: stop it after many boxes so the test fails
    // instead of hanging.
    m_dialogs.onDialog = [this](const test::SeenDialog&) {
        if (m_boxes.count("again") > 20)
            m_stop = true;
    };
    MakingWindow* window = openOn("/storm.html");
    window->makeButton()->click();

    // The make went on to its wait while the page still stormed: the call was not held.
    EXPECT_EQ(m_dialogs.count(test::kWaitText), 1);
    EXPECT_FALSE(m_stop);
    const int polls = m_polls;
    ASSERT_TRUE(test::waitFor([&] { return m_polls > polls + 10; }));
    EXPECT_EQ(title(window), "storm");

    // Three boxes, the third offering the block, and none after it.
    ASSERT_EQ(m_boxes.count("again"), 3);
    EXPECT_FALSE(m_boxes.seen[0].offersBlock);
    EXPECT_FALSE(m_boxes.seen[1].offersBlock);
    EXPECT_TRUE(m_boxes.seen[2].offersBlock);
    EXPECT_TRUE(window->browser()->page()->dialogsBlocked());

    m_stop = true;
    ASSERT_TRUE(test::waitFor([&] { return title(window) == "storm over"; }, 30000));
    EXPECT_EQ(m_boxes.count("again"), 3);

    // The next page may show dialogs again; a storm while it loads is offered the block too.
    window->browser()->navigate(QUrl(QString::fromStdString(m_site.url("/loadstorm.html"))));
    ASSERT_TRUE(test::waitFor([&] { return title(window) == "loaded"; }, 30000));
    ASSERT_EQ(m_boxes.count("load "), 3);
    EXPECT_EQ(m_boxes.seen[3].text, "load 0");
    EXPECT_FALSE(m_boxes.seen[3].offersBlock);
    EXPECT_TRUE(m_boxes.seen[5].offersBlock);
}

// A storm the user lets go on keeps being shown, each box offering the block, and the make's
// call waits for the user as long as the boxes come.
TEST_F(PageDialogsTest, StormNotBlockedKeepsShowingAndOffering) {
    m_boxes.block = false;
    m_dialogs.onDialog = [this](const test::SeenDialog&) {
        if (m_boxes.count("again") >= 6)
            m_stop = true;
    };
    MakingWindow* window = openOn("/storm.html");
    window->makeButton()->click();
    EXPECT_EQ(title(window), "storm over");
    EXPECT_EQ(m_dialogs.count(test::kWaitText), 1);
    ASSERT_GE(m_boxes.count("again"), 6);
    for (std::size_t i = 2; i < m_boxes.seen.size(); ++i)
        EXPECT_TRUE(m_boxes.seen[i].offersBlock) << i;
    EXPECT_FALSE(window->browser()->page()->dialogsBlocked());
}

TEST_F(PageDialogsTest, PageTextsInBoxesArePlainText) {
    const std::string markup = "<b>bold</b><img src=\"/picture.png\"> &amp; <a href=\"x\">link</a>";
    m_site.route("/markup.html",
                 test::Response{200, "text/html; charset=utf-8", "<title>markup</title>"});
    MakingWindow* window = openOn("/markup.html");
    const QString quoted = QString::fromStdString(markup).replace('"', "\\\"");
    for (const char* call : {"alert", "confirm", "prompt"}) {
        window->browser()->page()->runJavaScript(QStringLiteral("%1(\"%2\")").arg(call, quoted));
    }
    ASSERT_TRUE(test::waitFor([&] { return m_boxes.seen.size() >= 3; }));
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(m_boxes.seen[i].text, markup) << i;
        EXPECT_EQ(m_boxes.formats[i], Qt::PlainText) << i;
    }
}

}  // namespace
}  // namespace quelvo::app
