// The making window on the bundled site with the real browser: its layout, the make sequence and
// its dialogs, the finished picture, saving to the desktop, and the ways a make can go wrong.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QWebEnginePage>

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
    EXPECT_EQ(window->itemBox(1)->text().toStdString(), kQq);
    // An item stops at what the site takes, instead of failing the whole make later.
    window->itemBox(2)->setText(QString(70, QChar(0x5B57)));
    EXPECT_EQ(window->itemBox(2)->text().size(), MakingWindow::kItemMaxLength);
    window->itemBox(2)->clear();

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

// The whole make with Chinese profile items: the picture shown is exactly the site's picture for
// this QQ number, with the items drawn on it; saving writes exactly those bytes, and saving again
// after another make replaces them.
TEST_F(MakingTest, MakeShowsTheSitesPictureAndSaveWritesIt) {
    MakingWindow* window = openMakingOn(12);
    fillProfile(window);
    watchCountdown(window);

    window->makeButton()->click();
    ASSERT_EQ(m_dialogs.count(test::kWaitText), 1);
    EXPECT_EQ(m_dialogs.count(test::kSiteAlert), 1);
    ASSERT_EQ(m_dialogs.seen.back().text, test::kReadyText);
    EXPECT_EQ(m_dialogs.seen.back().title, "信息：");
    for (const test::SeenDialog& d : m_dialogs.seen) {
        if (d.text == test::kWaitText) {
            EXPECT_EQ(d.title, test::kWaitTitle);
        }
    }
    EXPECT_EQ(lastBindingResult(), 1);

    const std::string made = siteBytes(std::string("bg/") + kQq + ".gif");
    ASSERT_TRUE(made.starts_with("GIF8"));
    EXPECT_TRUE(test::sameBytes(window->pictureBox()->pictureBytes(), made));
    EXPECT_TRUE(window->pictureBox()->hasPicture());
    EXPECT_TRUE(window->saveButton()->isEnabled());
    // The instructions stay over the picture.
    EXPECT_TRUE(window->instructions()->isVisible());

    // The wait showed its countdown and cleared it afterwards.
    bool counted = false;
    const QRegularExpression countdown(QStringLiteral("^正在制作，请稍候… \\d+ 秒$"));
    for (const std::string& text : m_countdownTexts)
        counted = counted || countdown.match(QString::fromStdString(text)).hasMatch();
    EXPECT_TRUE(counted);
    EXPECT_TRUE(window->countdownLabel()->text().isEmpty());

    m_dialogs.seen.clear();
    window->saveButton()->click();
    ASSERT_EQ(m_dialogs.texts(), std::vector<std::string>{test::kSavedText});
    std::string saved;
    ASSERT_TRUE(readDesktopFile(saved));
    EXPECT_TRUE(test::sameBytes(saved, made));

    // Again with only the QQ number: a different picture, which the next save puts in place.
    window->navigate(mainAddress() + "12.html"_t);
    ASSERT_TRUE(waitForPage(window, "/12.html"));
    clearProfile(window);
    m_dialogs.seen.clear();
    window->makeButton()->click();
    ASSERT_EQ(m_dialogs.seen.back().text, test::kReadyText);
    const std::string plain = siteBytes(std::string("bg/") + kQq + ".gif");
    EXPECT_TRUE(test::sameBytes(window->pictureBox()->pictureBytes(), plain));
    EXPECT_FALSE(plain == made) << "the profile items left no trace on the picture";

    window->saveButton()->click();
    ASSERT_TRUE(readDesktopFile(saved));
    EXPECT_TRUE(test::sameBytes(saved, plain));
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

    QElapsedTimer clock;
    clock.start();
    window->makeButton()->click();
    test::pump(300);
    EXPECT_LT(clock.elapsed(), 2000);
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
    test::LoopbackServer images;
    const BadPictureCase& c = GetParam();
    images.route(std::string("/bg/") + kQq + ".gif",
                 test::Response{c.status, c.contentType, c.body});
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

    test::LoopbackServer images;
    useSites({siteBase(), images.url("/")});
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
    MakingWindow* window = openMakingOn(9);
    clock.restart();
    window->makeButton()->click();
    const double wait = (MakingWindow::kMakeWaitMs)*kWaitScale;
    EXPECT_LT(clock.elapsed(), wait + 4000);
    ASSERT_FALSE(m_dialogs.seen.empty());
    EXPECT_EQ(m_dialogs.seen.back().text, test::kNotReadyText);
    EXPECT_FALSE(window->saveButton()->isEnabled());
}

enum class CloseDuring { LongWait, ShortWait };

class CloseDuringWaitTest : public MakingTest, public ::testing::WithParamInterface<CloseDuring> {};

// Closing the window while its make waits: the make ends quietly, the window is gone, and
// nothing more is shown.
TEST_P(CloseDuringWaitTest, MakeEndsQuietly) {
    MakingWindow* window = openMakingOn(20);
    QPointer<MakingWindow> guarded(window);
    QTimer closer;
    if (GetParam() == CloseDuring::LongWait) {
        m_dialogs.onDialog = [&](const test::SeenDialog& d) {
            if (d.text == test::kWaitText)
                QTimer::singleShot(300, guarded.data(), [&] { guarded->close(); });
        };
    } else {
        // The short wait starts as soon as the picture is shown.
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (guarded && guarded->pictureBox()->hasPicture()) {
                closer.stop();
                guarded->close();
            }
        });
        closer.start(2);
    }

    window->makeButton()->click();
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

// A second press during the wait runs the whole make nested; the first resumes after it. The
// countdown follows the inner wait and is cleared once both are over.
TEST_F(MakingTest, SecondPressDuringTheWaitRunsNested) {
    MakingWindow* window = openMakingOn(31);
    fillProfile(window);
    watchCountdown(window);
    int waits = 0;
    m_dialogs.onDialog = [&](const test::SeenDialog& d) {
        if (d.text == test::kWaitText && ++waits == 1)
            QTimer::singleShot(400, window, [window] { window->makeButton()->click(); });
    };

    window->makeButton()->click();
    EXPECT_EQ(m_dialogs.count(test::kWaitText), 2);
    EXPECT_EQ(m_dialogs.count(test::kReadyText), 2);
    EXPECT_EQ(m_dialogs.seen.back().text, test::kReadyText);
    EXPECT_TRUE(test::sameBytes(window->pictureBox()->pictureBytes(),
                                siteBytes(std::string("bg/") + kQq + ".gif")));
    EXPECT_TRUE(window->saveButton()->isEnabled());
    EXPECT_TRUE(window->countdownLabel()->text().isEmpty());
    EXPECT_TRUE(m_countdownTexts.count("正在制作，请稍候… 2 秒") ||
                m_countdownTexts.count("正在制作，请稍候… 1 秒"));
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
