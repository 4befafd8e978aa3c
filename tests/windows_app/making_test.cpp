// The making window on the bundled site with the real browser: its layout, the make sequence and
// its dialogs, the wait for the finished picture, saving to the desktop, and the ways a make can
// go wrong.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QWebEnginePage>

#include <atomic>
#include <cstdio>
#include <set>
#include <string>
#include <thread>

#include "app/gallerywindow.h"
#include "app/makingwindow.h"
#include "app/siteaddresses.h"
#include "appfixture.h"
#include "platform/browser/automationpage.h"
#include "platform/browser/browsercontrol.h"
#include "platform/files/files.h"
#include "platform/http/fetch.h"
#include "platform/widgets/picturebox.h"
#include "silentserver.h"
#include "support/loopbackserver.h"
#include "support/wait.h"

namespace quelvo::app {
namespace {

using test::AppTest;

const char* const kProfile[MakingWindow::kItemCount] = {
    nullptr, "小鱼儿", "今天也要开心", "女",   "18",   "3月14日",
    "O型",   "兔",     "双鱼座",       "中国", "浙江", "杭州"};

class MakingTest : public AppTest {
protected:
    void fillProfile(MakingWindow* window) {
        for (int i = 2; i <= MakingWindow::kItemCount; ++i)
            window->itemBox(i)->setText(QString::fromUtf8(kProfile[i - 1]));
    }
    // The site's result page has come with its alert, once, and the hidden page is done loading.
    bool siteAnswered() {
        return test::waitFor([&] { return m_dialogs.count(test::kSiteAlert) >= 1; }, 20000) &&
               m_dialogs.count(test::kSiteAlert) == 1;
    }
    void clearProfile(MakingWindow* window) {
        for (int i = 2; i <= MakingWindow::kItemCount; ++i)
            window->itemBox(i)->clear();
    }
    // Records every text the countdown label shows while it runs.
    void watchCountdown(MakingWindow* window) {
        QPointer<QLabel> label = window->countdownLabel();
        QObject::connect(&m_sampler, &QTimer::timeout, &m_sampler, [this, label] {
            if (label)
                m_countdownTexts.insert(label->text().toStdString());
        });
        m_sampler.start(20);
    }

    QTimer m_sampler;
    std::set<std::string> m_countdownTexts;
};

TEST_F(MakingTest, LayoutAndCreatedStep) {
    MakingWindow* window = MakingWindow::open();
    EXPECT_EQ(window->parentWidget(), nullptr);
    EXPECT_TRUE(window->windowTitle().isEmpty());
    EXPECT_EQ(window->size(), QSize(402, 381));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_TRUE(window->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);

    const int tops[] = {8, 40, 64, 96, 120, 152, 176, 208, 232, 264, 288, 312};
    for (int i = 1; i <= MakingWindow::kItemCount; ++i) {
        QLineEdit* box = window->findChild<QLineEdit*>(QStringLiteral("编辑框%1").arg(i));
        ASSERT_EQ(box, window->itemBox(i));
        EXPECT_EQ(box->geometry(), QRect(40, tops[i - 1], 120, 24)) << i;
        EXPECT_EQ(box->isEnabled(), i != 1) << i;
        EXPECT_TRUE(box->focusPolicy() & Qt::TabFocus);
        EXPECT_EQ(box->palette().color(QPalette::Text), QColor(Qt::black));
        if (i > 1) {
            EXPECT_TRUE(box->text().isEmpty());
        }
    }
    // Copied from the main window at creation, not editable here.
    EXPECT_EQ(window->itemBox(1)->text().toStdString(), m_qq);

    auto* captions = window->findChild<QLabel*>("标签1");
    ASSERT_NE(captions, nullptr);
    EXPECT_EQ(captions->geometry(), QRect(8, 16, 80, 336));
    EXPECT_EQ(
        captions->text().toStdString(),
        " Q Q：\n\n昵称：\n\n签名：\n\n性别：\n\n年龄：\n\n生日：\n\n血型：\n\n生肖：\n\n星座：\n\n"
        "国家：\n\n省份：\n\n城市：");
    EXPECT_EQ(captions->font().pixelSize(), 14);

    EXPECT_EQ(window->findChild<PictureBox*>("图片框1"), window->pictureBox());
    EXPECT_EQ(window->pictureBox()->geometry(), QRect(160, 8, 232, 320));
    EXPECT_EQ(window->pictureBox()->border(), PictureBox::Border::SingleLine);
    EXPECT_TRUE(window->pictureBox()->stretch());
    EXPECT_FALSE(window->pictureBox()->hasPicture());

    QLabel* instructions = window->instructions();
    EXPECT_EQ(instructions->objectName(), "透明标签1");
    EXPECT_EQ(instructions->parentWidget(), window->pictureBox());
    EXPECT_EQ(instructions->geometry(), QRect(7, 15, 216, 288));
    EXPECT_EQ(instructions->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(instructions->text().toStdString(),
              "软件制作完一张后，需要等待5~10分钟后才能继续制作下一张\n\n"
              "点击立即制作后 需要等待大概三十秒左右才会制作成功\n\n"
              "弹出网页信息时，点确定\n\n"
              "制作成功后，下载图片按钮会恢复正常，点击下载图片即可\n\n");

    EXPECT_EQ(window->makeButton()->objectName(), "按钮1");
    EXPECT_EQ(window->makeButton()->text(), "立即制作");
    EXPECT_EQ(window->makeButton()->geometry(), QRect(24, 344, 136, 32));
    EXPECT_EQ(window->saveButton()->objectName(), "按钮2");
    EXPECT_EQ(window->saveButton()->text(), "下载图片到桌面");
    EXPECT_EQ(window->saveButton()->geometry(), QRect(248, 344, 128, 32));
    EXPECT_FALSE(window->saveButton()->isEnabled());

    // The browser lies right of the client area, yet loads the site's index page.
    EXPECT_EQ(window->browser()->objectName(), "超文本浏览框1");
    EXPECT_EQ(window->browser()->geometry(), QRect(496, 48, 416, 304));
    EXPECT_FALSE(window->rect().intersects(window->browser()->geometry()));
    ASSERT_TRUE(waitForPage(window, "/"));
    EXPECT_EQ(window->browser()->page()->title().toStdString(), "Quelvo 皮肤站");
    EXPECT_TRUE(window->countdownLabel()->text().isEmpty());
}

// The whole make with Chinese profile items: the picture shown is the site's picture for this QQ
// number, the same as a direct make of the same items; saving writes exactly those bytes, and
// saving again after another make replaces them.
TEST_F(MakingTest, MakeShowsTheSitesPictureAndSaveWritesIt) {
    MakingWindow* window = openMakingOn(12);
    fillProfile(window);
    QElapsedTimer clock;
    qint64 shownAfter = -1;
    QObject::connect(window, &MakingWindow::pictureShown, window,
                     [&] { shownAfter = clock.elapsed(); });

    clock.start();
    window->makeButton()->click();
    ASSERT_EQ(m_dialogs.count(test::kWaitText), 1);
    ASSERT_EQ(m_dialogs.count(test::kReadyText), 1);
    EXPECT_EQ(m_dialogs.seen.back().title, "信息：");
    // The picture is stored before the site answers the form, so its page (and alert) may come
    // after the make has ended.
    EXPECT_TRUE(siteAnswered());
    for (const test::SeenDialog& d : m_dialogs.seen) {
        if (d.text == test::kWaitText) {
            EXPECT_EQ(d.title, test::kWaitTitle);
        }
    }
    EXPECT_EQ(lastBindingResult(), 1);
    // The figure the making run is judged by (make button to picture, boxes answered at once).
    std::printf("{\"make_to_picture_ms\": %lld}\n", static_cast<long long>(shownAfter));
    EXPECT_GE(shownAfter, 0);

    const std::string made = pictureOf(m_qq);
    EXPECT_TRUE(test::sameBytes(window->pictureBox()->pictureBytes(), made));
    EXPECT_TRUE(window->pictureBox()->hasPicture());
    EXPECT_TRUE(window->saveButton()->isEnabled());
    // The instructions stay over the picture; the countdown is gone.
    EXPECT_TRUE(window->instructions()->isVisible());
    EXPECT_TRUE(window->countdownLabel()->text().isEmpty());

    m_dialogs.seen.clear();
    window->saveButton()->click();
    ASSERT_EQ(m_dialogs.texts(), std::vector<std::string>{test::kSavedText});
    std::string saved;
    ASSERT_TRUE(readDesktopFile(saved));
    EXPECT_TRUE(test::sameBytes(saved, made));
    std::vector<std::string> items{m_qq};
    for (int i = 2; i <= MakingWindow::kItemCount; ++i)
        items.push_back(kProfile[i - 1]);
    EXPECT_TRUE(test::samePicture(made, directMake(12, items)));

    // Again with only the QQ number: a different picture, which the next save puts in place.
    window->navigate(mainAddress() + "12.html"_t);
    ASSERT_TRUE(waitForPage(window, "/12.html"));
    clearProfile(window);
    m_dialogs.seen.clear();
    window->makeButton()->click();
    ASSERT_EQ(m_dialogs.seen.back().text, test::kReadyText);
    const std::string plain = pictureOf(m_qq);
    EXPECT_TRUE(test::sameBytes(window->pictureBox()->pictureBytes(), plain));
    EXPECT_FALSE(test::samePicture(plain, made))
        << "the profile items left no trace on the picture";

    window->saveButton()->click();
    ASSERT_TRUE(readDesktopFile(saved));
    EXPECT_TRUE(test::sameBytes(saved, plain));
}

// The same items made twice on the bundled site: the second picture is a new one (made anew, so
// its bytes differ), and the wait ends as soon as it is there rather than at the upper bound.
TEST_F(MakingTest, RepeatedMakeEndsEarlyWithTheNewPicture) {
    MakingWindow* window = openMakingOn(8);
    fillProfile(window);
    window->makeButton()->click();
    ASSERT_EQ(m_dialogs.seen.back().text, test::kReadyText);
    const std::string first = window->pictureBox()->pictureBytes();
    ASSERT_TRUE(siteAnswered());

    window->navigate(mainAddress() + "8.html"_t);
    ASSERT_TRUE(waitForPage(window, "/8.html"));
    QElapsedTimer clock;
    clock.start();
    window->makeButton()->click();
    ASSERT_EQ(m_dialogs.seen.back().text, test::kReadyText);
    EXPECT_LT(clock.elapsed(), MakingWindow::kMakeWaitMs);
    const std::string second = window->pictureBox()->pictureBytes();
    EXPECT_FALSE(second == first);
    EXPECT_TRUE(test::samePicture(second, first));
    EXPECT_TRUE(test::sameBytes(second, pictureOf(m_qq)));
}

struct LaterPictureCase {
    const char* name;
    // When the image site starts giving the finished picture, after the wait box is answered.
    int appearsAfterMs;
    bool shortBound;
    bool ready;
};

class LaterPictureTest : public MakingTest,
                         public ::testing::WithParamInterface<LaterPictureCase> {};

// A site whose picture comes some time after the click: the wait ends when it is there, and not
// before; when the upper bound passes first, the user is told the picture is not ready.
TEST_P(LaterPictureTest, WaitEndsWhenThePictureIsThere) {
    const LaterPictureCase& c = GetParam();
    if (c.shortBound)
        shortenWaits();
    const std::string picture = siteBytes("img/pifu/bg2.gif");
    ASSERT_TRUE(picture.starts_with("GIF8"));
    std::atomic<bool> there{false};
    test::LoopbackServer images;
    images.route("/bg/" + m_qq + ".gif", [&]() -> test::Response {
        if (there)
            return {200, "image/gif", picture};
        return {404, "text/html", "<html><body>还没有做好</body></html>"};
    });
    useSites({siteBase(), images.url("/")});
    MakingWindow* window = openMakingOn(2);
    QElapsedTimer sinceWaitBox;
    qint64 shownAfter = -1;
    m_dialogs.onDialog = [&](const test::SeenDialog& d) {
        if (d.text != test::kWaitText)
            return;
        sinceWaitBox.start();
        QTimer::singleShot(c.appearsAfterMs, window, [&] { there = true; });
    };
    QObject::connect(window, &MakingWindow::pictureShown, window,
                     [&] { shownAfter = sinceWaitBox.elapsed(); });

    window->makeButton()->click();
    ASSERT_FALSE(m_dialogs.seen.empty());
    if (!c.ready) {
        EXPECT_EQ(m_dialogs.seen.back().text, test::kNotReadyText);
        EXPECT_FALSE(window->saveButton()->isEnabled());
        EXPECT_FALSE(there) << "the wait outlasted its bound";
        return;
    }
    EXPECT_EQ(m_dialogs.seen.back().text, test::kReadyText);
    EXPECT_GE(shownAfter, c.appearsAfterMs);
    EXPECT_LT(shownAfter, MakingWindow::kMakeWaitMs);
    EXPECT_TRUE(test::sameBytes(window->pictureBox()->pictureBytes(), picture));
}

INSTANTIATE_TEST_SUITE_P(Making, LaterPictureTest,
                         ::testing::Values(LaterPictureCase{"WithinTheBound", 800, false, true},
                                           LaterPictureCase{"AfterTheBound", 60000, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A site whose picture never changes (made before, the same items again): the wait lasts its
// whole bound with its countdown shown, then the picture is shown as the finished one.
TEST_F(MakingTest, UnchangingPictureIsShownAfterTheBound) {
    shortenWaits();
    const std::string picture = siteBytes("img/pifu/bg3.gif");
    test::LoopbackServer images;
    images.route("/bg/" + m_qq + ".gif", test::Response{200, "image/gif", picture});
    useSites({siteBase(), images.url("/")});
    MakingWindow* window = openMakingOn(3);
    watchCountdown(window);
    QElapsedTimer sinceWaitBox;
    m_dialogs.onDialog = [&](const test::SeenDialog& d) {
        if (d.text == test::kWaitText)
            sinceWaitBox.start();
    };
    qint64 shownAfter = -1;
    QObject::connect(window, &MakingWindow::pictureShown, window,
                     [&] { shownAfter = sinceWaitBox.elapsed(); });

    window->makeButton()->click();
    ASSERT_EQ(m_dialogs.seen.back().text, test::kReadyText);
    EXPECT_GE(shownAfter, MakingWindow::kMakeWaitMs * kShortWaitScale);
    EXPECT_TRUE(test::sameBytes(window->pictureBox()->pictureBytes(), picture));
    EXPECT_TRUE(window->saveButton()->isEnabled());
    EXPECT_TRUE(m_countdownTexts.count("正在制作，请稍候… 1 秒")) << "no countdown was shown";
    EXPECT_TRUE(window->countdownLabel()->text().isEmpty());
}

// Pressed before the hidden page has a document: the binding fails and the press ends without a
// word.
TEST_F(MakingTest, MakeBeforeThePageHasADocumentEndsSilently) {
    test::LoopbackServer slow;
    slow.route("/", [] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        return test::Response{200, "text/html; charset=utf-8", "<html><body>late</body></html>"};
    });
    useSites({slow.url("/"), siteBase()});
    MakingWindow* window = MakingWindow::open();
    ASSERT_FALSE(window->browser()->page()->hasDocument());

    window->makeButton()->click();
    // The press was over before the page came.
    EXPECT_FALSE(window->browser()->page()->hasDocument());
    EXPECT_EQ(lastBindingResult(), 0);
    EXPECT_TRUE(m_dialogs.seen.empty());
    EXPECT_FALSE(window->saveButton()->isEnabled());
    EXPECT_FALSE(window->pictureBox()->hasPicture());
    EXPECT_TRUE(window->countdownLabel()->text().isEmpty());
}

struct BadPictureCase {
    const char* name;
    int status;
    const char* contentType;
    std::string body;
};

class BadPictureTest : public MakingTest, public ::testing::WithParamInterface<BadPictureCase> {};

// No picture to show: the user is told it is not ready, and there is nothing to save.
TEST_P(BadPictureTest, MakeSaysNotReadyAndKeepsSavingOff) {
    shortenWaits();
    test::LoopbackServer images;
    const BadPictureCase& c = GetParam();
    images.route("/bg/" + m_qq + ".gif", test::Response{c.status, c.contentType, c.body});
    useSites({siteBase(), images.url("/")});
    MakingWindow* window = openMakingOn(3);

    window->makeButton()->click();
    EXPECT_EQ(m_dialogs.count(test::kWaitText), 1);
    ASSERT_EQ(m_dialogs.seen.back().text, test::kNotReadyText);
    EXPECT_EQ(m_dialogs.seen.back().title, "信息：");
    EXPECT_EQ(m_dialogs.count(test::kReadyText), 0);
    EXPECT_FALSE(window->saveButton()->isEnabled());
    EXPECT_FALSE(window->pictureBox()->hasPicture());
    EXPECT_TRUE(window->pictureBox()->pictureBytes().empty());
}

INSTANTIATE_TEST_SUITE_P(Making, BadPictureTest,
                         ::testing::Values(BadPictureCase{"ErrorPage", 404, "text/html",
                                                          "<html><body>还没有做好</body></html>"},
                                           BadPictureCase{"EmptyBody", 200, "image/gif", ""},
                                           BadPictureCase{
                                               "BrokenGif", 200, "image/gif",
                                               std::string("GIF89a\x01\x00\x01\x00", 10)}),
                         [](const auto& info) { return std::string(info.param.name); });

// A later make that gets no picture leaves the earlier picture and the save button as they were.
TEST_F(MakingTest, FailedMakeKeepsTheEarlierPicture) {
    MakingWindow* window = openMakingOn(5);
    window->makeButton()->click();
    ASSERT_EQ(m_dialogs.seen.back().text, test::kReadyText);
    const std::string made = window->pictureBox()->pictureBytes();
    ASSERT_TRUE(window->pictureBox()->hasPicture());

    shortenWaits();
    test::LoopbackServer images;
    useSites({siteBase(), images.url("/")});
    window->navigate(mainAddress() + "5.html"_t);
    ASSERT_TRUE(waitForPage(window, "/5.html"));
    window->makeButton()->click();
    ASSERT_EQ(m_dialogs.seen.back().text, test::kNotReadyText);
    EXPECT_TRUE(test::sameBytes(window->pictureBox()->pictureBytes(), made));
    EXPECT_TRUE(window->saveButton()->isEnabled());
}

// A site that accepts and never answers holds each fetch only for the fetch time-outs: the
// gallery opens and pages with nothing shown, and a make ends with "not ready".
TEST_F(MakingTest, SiteThatNeverAnswersDoesNotFreezeTheWindows) {
    test::SilentServer silent;
    http::FetchOptions options;
    options.connectTimeoutMs = 1000;
    options.stallTimeoutMs = 1000;
    setWindowFetchOptions(options);

    useSites({silent.url(), silent.url()});
    QElapsedTimer clock;
    clock.start();
    {
        GalleryWindow gallery;
        EXPECT_LT(clock.elapsed(), 4000);
        EXPECT_FALSE(gallery.pictureBox()->hasPicture());
        clock.restart();
        gallery.nextButton()->click();
        EXPECT_LT(clock.elapsed(), 4000);
        EXPECT_EQ(gallery.numberBox()->text(), "1");
    }
    EXPECT_GE(silent.connections(), 2);
    EXPECT_TRUE(m_dialogs.seen.empty());

    // Pages from the bundled site, the finished picture from the silent one.
    useSites({siteBase(), silent.url()});
    shortenWaits();
    MakingWindow* window = openMakingOn(9);
    clock.restart();
    window->makeButton()->click();
    // The fetch before the click, and polls each held for the fetch time-outs past the bound.
    const double wait = MakingWindow::kMakeWaitMs * kShortWaitScale;
    EXPECT_LT(clock.elapsed(), wait + 20000);
    ASSERT_FALSE(m_dialogs.seen.empty());
    EXPECT_EQ(m_dialogs.seen.back().text, test::kNotReadyText);
    EXPECT_FALSE(window->saveButton()->isEnabled());
}

// The window stays closable while a fetch waits on a server that never answers: closing it
// ends the make at once, not at the fetch's time-outs.
TEST_F(MakingTest, ClosingTheWindowDuringAFetchEndsTheMake) {
    test::SilentServer silent;
    useSites({siteBase(), silent.url()});
    MakingWindow* window = openMakingOn(9);
    QPointer<MakingWindow> guarded(window);
    QTimer::singleShot(300, window, [&] { guarded->close(); });
    QElapsedTimer clock;
    clock.start();
    window->makeButton()->click();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_GE(silent.connections(), 1);
    EXPECT_EQ(m_dialogs.count(test::kWaitText), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guarded.isNull());
}

enum class CloseDuring { LongWait, ShortWait };

class CloseDuringWaitTest : public MakingTest, public ::testing::WithParamInterface<CloseDuring> {};

// Closing the window while its make waits: the make ends quietly, the window is gone, and
// nothing more is shown. The picture never changes, so only the close can end the long wait.
TEST_P(CloseDuringWaitTest, MakeEndsQuietly) {
    const std::string picture = siteBytes("img/pifu/bg20.gif");
    test::LoopbackServer images;
    images.route("/bg/" + m_qq + ".gif", test::Response{200, "image/gif", picture});
    if (GetParam() == CloseDuring::LongWait)
        useSites({siteBase(), images.url("/")});
    else
        shortenWaits();
    MakingWindow* window = openMakingOn(20);
    QPointer<MakingWindow> guarded(window);
    QTimer closer;
    if (GetParam() == CloseDuring::LongWait) {
        // Once the countdown runs, the make is inside its wait.
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (guarded && !guarded->countdownLabel()->text().isEmpty()) {
                closer.stop();
                guarded->close();
            }
        });
        closer.start(5);
    } else {
        // The short wait starts as soon as the picture is shown.
        QObject::connect(window, &MakingWindow::pictureShown, window, [&] { guarded->close(); });
    }

    QElapsedTimer clock;
    clock.start();
    window->makeButton()->click();
    EXPECT_LT(clock.elapsed(), MakingWindow::kMakeWaitMs);
    EXPECT_EQ(m_dialogs.count(test::kWaitText), 1);
    EXPECT_EQ(m_dialogs.count(test::kReadyText), 0);
    EXPECT_EQ(m_dialogs.count(test::kNotReadyText), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guarded.isNull());
    EXPECT_EQ(MakingWindow::openWindow(), nullptr);
    test::pump(200);
    EXPECT_EQ(m_dialogs.count(test::kReadyText), 0);
}

INSTANTIATE_TEST_SUITE_P(Making, CloseDuringWaitTest,
                         ::testing::Values(CloseDuring::LongWait, CloseDuring::ShortWait),
                         [](const auto& info) {
                             return info.param == CloseDuring::LongWait ? "LongWait" : "ShortWait";
                         });

// A second press during the wait, when the hidden page is the site's result page: it has no make
// button, so nothing is made and nothing is offered as new. The user is told, the template page
// loads again, and the first make still ends with its picture; the next press makes a new one.
TEST_F(MakingTest, SecondPressOnTheResultPageLoadsTheTemplateAgain) {
    const std::string old = siteBytes("img/pifu/bg30.gif");
    const std::string fresh = siteBytes("img/pifu/bg31.gif");
    std::atomic<bool> done{false};
    test::LoopbackServer images;
    images.route("/bg/" + m_qq + ".gif", [&]() -> test::Response {
        return {200, "image/gif", done ? fresh : old};
    });
    useSites({siteBase(), images.url("/")});
    MakingWindow* window = openMakingOn(31);
    fillProfile(window);
    QTimer presser;
    bool pressed = false;
    QObject::connect(&presser, &QTimer::timeout, [&] {
        auto* page = window->browser()->page();
        if (pressed || page->url().path() != "/make" || !page->hasDocument())
            return;
        pressed = true;
        presser.stop();
        window->makeButton()->click();
        done = true;
    });
    m_dialogs.onDialog = [&](const test::SeenDialog& d) {
        if (d.text == test::kWaitText)
            presser.start(10);
    };

    window->makeButton()->click();
    EXPECT_TRUE(pressed);
    EXPECT_EQ(m_dialogs.count(test::kWaitText), 1);
    EXPECT_EQ(m_dialogs.count(test::kPageNotReadyText), 1);
    EXPECT_EQ(m_dialogs.count(test::kReadyText), 1);
    EXPECT_EQ(m_dialogs.seen.back().text, test::kReadyText);
    EXPECT_TRUE(test::sameBytes(window->pictureBox()->pictureBytes(), fresh));
    EXPECT_TRUE(window->countdownLabel()->text().isEmpty());

    // The template is back, and a press makes the bundled site's picture for these items.
    ASSERT_TRUE(test::waitFor(
        [&] {
            return window->browser()->page()->url().path() == "/31.html" &&
                   window->browser()->page()->hasDocument();
        },
        15000));
    useSites({});
    m_dialogs.seen.clear();
    window->makeButton()->click();
    ASSERT_EQ(m_dialogs.seen.back().text, test::kReadyText);
    EXPECT_TRUE(test::sameBytes(window->pictureBox()->pictureBytes(), pictureOf(m_qq)));
}

// A press while the next page is still loading must not act on the page being left: the binding
// follows the navigation and fails until the new page is there.
TEST_F(MakingTest, PressWhileTheNextPageLoadsDoesNotUseTheOldPage) {
    test::LoopbackServer slow;
    slow.route("/slow.html", [] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2000));
        return test::Response{200, "text/html; charset=utf-8", "<html><body>late</body></html>"};
    });
    MakingWindow* window = openMakingOn(7);
    ASSERT_TRUE(window->browser()->page()->hasDocument());
    window->navigate(Text::fromUtf8(slow.url("/slow.html")));
    ASSERT_TRUE(test::waitFor([&] { return !window->browser()->page()->hasDocument(); }, 15000));

    window->makeButton()->click();
    EXPECT_EQ(lastBindingResult(), 0);
    EXPECT_TRUE(m_dialogs.seen.empty());
    EXPECT_FALSE(pictureOf(m_qq).starts_with("GIF")) << "the old template page made a picture";
    EXPECT_TRUE(test::waitFor([&] { return window->browser()->page()->hasDocument(); }, 15000));
}

struct RefusedItemsCase {
    const char* name;
    const char* qq;
    int box;  // a box filled with `length` characters, 0 for none
    int length;
    const char* reason;
};

class RefusedItemsTest : public MakingTest,
                         public ::testing::WithParamInterface<RefusedItemsCase> {};

// Items the bundled site would refuse: the user learns why at once, and nothing is sent.
TEST_P(RefusedItemsTest, MakeSaysWhy) {
    const RefusedItemsCase& c = GetParam();
    const std::string qq = *c.qq ? std::string(c.qq) : m_qq;
    m_main->qqBox()->setText(QString::fromStdString(qq));
    MakingWindow* window = openMakingOn(6);
    if (c.box)
        window->itemBox(c.box)->setText(QString(c.length, QChar(0x5B57)));

    window->makeButton()->click();
    ASSERT_EQ(m_dialogs.seen.size(), 1u);
    EXPECT_NE(m_dialogs.seen.front().text.find(c.reason), std::string::npos)
        << m_dialogs.seen.front().text;
    EXPECT_EQ(m_dialogs.count(test::kWaitText), 0);
    EXPECT_FALSE(window->saveButton()->isEnabled());
    EXPECT_EQ(window->browser()->page()->url().path(), "/6.html");
    if (std::string(c.qq).empty()) {
        EXPECT_FALSE(pictureOf(qq).starts_with("GIF"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Making, RefusedItemsTest,
    ::testing::Values(RefusedItemsCase{"LettersInTheNumber", "1abc", 0, 0, "5到12位数字"},
                      RefusedItemsCase{"NumberTooShort", "1234", 0, 0, "5到12位数字"},
                      RefusedItemsCase{"NumberTooLong", "1234567890123", 0, 0, "5到12位数字"},
                      RefusedItemsCase{"ItemTooLong", "", 3, 65, "签名最多64个字，现在有65个字"}),
    [](const auto& info) { return std::string(info.param.name); });

// Every box reaches its own field: twelve distinct texts, emoji and the longest allowed among
// them, give the same picture as a direct make that names each field itself.
TEST_F(MakingTest, EveryBoxReachesItsFieldIntact) {
    MakingWindow* window = openMakingOn(4);
    const QString emoji = QString::fromUtf8("😀");
    std::vector<std::string> items{m_qq};
    for (int i = 2; i <= MakingWindow::kItemCount; ++i) {
        QString text = QStringLiteral("项%1").arg(i) + emoji;
        if (i == 3)
            text = QString(MakingWindow::kItemMaxLength - 1, QChar(0x5B57)) + emoji;
        if (i == 12)
            text = emoji.repeated(MakingWindow::kItemMaxLength);
        window->itemBox(i)->setText(text);
        EXPECT_EQ(window->itemBox(i)->text(), text) << i;
        items.push_back(text.toStdString());
    }
    EXPECT_TRUE(window->countdownLabel()->text().isEmpty()) << "a text within the limit was marked";

    window->makeButton()->click();
    ASSERT_EQ(m_dialogs.seen.back().text, test::kReadyText);
    const std::string made = window->pictureBox()->pictureBytes();
    EXPECT_TRUE(test::samePicture(made, directMake(4, items)));
    // Any one item told apart: the same items with two swapped give another picture.
    std::swap(items[4], items[5]);
    EXPECT_FALSE(test::samePicture(made, directMake(4, items)));
}

// The bundled site's limit in characters (not UTF-16 units) shows while typing or pasting; the
// box keeps the whole text. With another site its own rules apply, and nothing is marked.
TEST_F(MakingTest, ItemLimitIsShownNotCut) {
    MakingWindow* window = openMakingOn(1);
    QLineEdit* box = window->itemBox(2);
    const QString emoji = QString::fromUtf8("🎉");
    box->setFocus();
    // 64 emoji are 128 UTF-16 units, and within the limit.
    box->setText(emoji.repeated(64));
    EXPECT_EQ(box->text(), emoji.repeated(64));
    EXPECT_TRUE(window->countdownLabel()->text().isEmpty());
    EXPECT_EQ(box->palette().color(QPalette::Text), QColor(Qt::black));

    QTest::keyClicks(box, QStringLiteral("x"));  // typed
    EXPECT_EQ(box->text(), emoji.repeated(64) + "x");
    EXPECT_EQ(window->countdownLabel()->text(), "昵称最多64个字，现在有65个字");
    EXPECT_EQ(box->palette().color(QPalette::Text), QColor(Qt::red));

    box->clear();
    EXPECT_TRUE(window->countdownLabel()->text().isEmpty());
    QGuiApplication::clipboard()->setText(QString(100, QChar(0x5B57)));
    box->paste();
    EXPECT_EQ(box->text().size(), 100);
    EXPECT_EQ(window->countdownLabel()->text(), "昵称最多64个字，现在有100个字");

    // The same site, but named on the command line: its rules are not ours to guess.
    box->clear();
    useSites({siteBase(), siteBase()});
    box->setText(QString(300, QChar(0x5B57)));
    EXPECT_EQ(box->text().size(), 300);
    EXPECT_TRUE(window->countdownLabel()->text().isEmpty());
}

struct SaveFailureCase {
    const char* name;
    // Prepares the desktop below `root` and returns it.
    QString (*prepare)(const QString& root);
    const char* reason;
};

QString desktopBelowAFile(const QString& root) {
    QFile file(root + "/plain-file");
    file.open(QIODevice::WriteOnly);
    file.write("x");
    return root + "/plain-file/Desktop";
}

QString desktopWithHiddenFile(const QString& root) {
    QDir().mkpath(root + "/Desktop");
    const Text path = Text::fromUtf8((root + "/Desktop/空间皮肤.gif").toStdString());
    files::writeFile(path, std::string_view("old"));
    files::setAttributes(path, files::kHidden);
    return root + "/Desktop";
}

QString desktopWithFolderOfTheName(const QString& root) {
    QDir().mkpath(root + "/Desktop/空间皮肤.gif");
    return root + "/Desktop";
}

class SaveFailureTest : public MakingTest, public ::testing::WithParamInterface<SaveFailureCase> {};

// A desktop file that cannot be written is reported as such, with why; never as saved.
TEST_P(SaveFailureTest, SaveReportsTheFailure) {
    const SaveFailureCase& c = GetParam();
    setDesktop(c.prepare(m_temp.path()));
    MakingWindow* window = MakingWindow::open();
    window->pictureBox()->setPictureBytes(siteBytes("img/pifu/bg1.gif"));
    window->save();

    ASSERT_EQ(m_dialogs.seen.size(), 1u);
    const std::string& text = m_dialogs.seen.front().text;
    EXPECT_TRUE(text.starts_with("保存失败：无法写入桌面文件“空间皮肤.gif”")) << text;
    EXPECT_NE(text.find(c.reason), std::string::npos) << text;
    EXPECT_EQ(text.find("下载OK啦"), std::string::npos);
    EXPECT_EQ(m_dialogs.seen.front().title, "信息：");
}

INSTANTIATE_TEST_SUITE_P(
    Making, SaveFailureTest,
    ::testing::Values(
        SaveFailureCase{"DesktopBelowAFile", desktopBelowAFile, "桌面文件夹不存在"},
        SaveFailureCase{"HiddenFileInTheWay", desktopWithHiddenFile, "只读、隐藏或系统文件"},
        SaveFailureCase{"FolderOfTheName", desktopWithFolderOfTheName, "同名的文件夹"}),
    [](const auto& info) { return std::string(info.param.name); });

// The hidden file in the way is left as it was.
TEST_F(MakingTest, RefusedSaveLeavesTheFileInTheWay) {
    setDesktop(desktopWithHiddenFile(m_temp.path()));
    MakingWindow* window = MakingWindow::open();
    window->pictureBox()->setPictureBytes(siteBytes("img/pifu/bg1.gif"));
    window->save();
    std::string bytes;
    ASSERT_TRUE(readDesktopFile(bytes));
    EXPECT_EQ(bytes, "old");
}

}  // namespace
}  // namespace quelvo::app
