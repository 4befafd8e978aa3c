// The whole run as a user makes it: main window, the gallery over it, the making window beside
// it, the make on the bundled site and the file on the desktop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <functional>

#include <string>

#include "app/gallerywindow.h"
#include "app/makingwindow.h"
#include "app/siteaddresses.h"
#include "appfixture.h"
#include "platform/widgets/picturebox.h"
#include "support/wait.h"

namespace quelvo::app {
namespace {

using test::AppTest;

GalleryWindow* shownGallery() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* gallery = qobject_cast<GalleryWindow*>(w);
        if (gallery && gallery->isVisible())
            return gallery;
    }
    return nullptr;
}

// Runs `steps` inside the gallery's modal step, which the main window's button starts, and
// closes the gallery afterwards whatever the steps did.
void withGallery(MainWindow& main, const std::function<void(GalleryWindow*)>& steps) {
    bool ran = false;
    const QDeadlineTimer deadline(5000);
    // Looked for again later rather than waited for here: this may first run inside the
    // gallery's own first fetch, which cannot end while a wait above it runs.
    std::function<void()> attempt = [&] {
        GalleryWindow* gallery = shownGallery();
        if (!gallery && !deadline.hasExpired()) {
            QTimer::singleShot(10, &main, attempt);
            return;
        }
        ran = true;
        if (!gallery) {
            ADD_FAILURE() << "the gallery did not open";
            return;
        }
        QPointer<GalleryWindow> guarded(gallery);
        steps(gallery);
        if (guarded)
            guarded->close();
    };
    QTimer::singleShot(0, &main, attempt);
    main.enterButton()->click();
    EXPECT_TRUE(ran);
}

class EndToEndTest : public AppTest {};

TEST_F(EndToEndTest, FromTheMainWindowToTheDesktopFile) {
    m_main->show();
    QPointer<GalleryWindow> first;
    QPointer<MakingWindow> making;
    std::string made;

    withGallery(*m_main, [&](GalleryWindow* gallery) {
        first = gallery;
        // Modal for the main window only.
        EXPECT_FALSE(m_main->isEnabled());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(gallery->parentWidget(), nullptr);
        EXPECT_EQ(gallery->numberBox()->text(), "48");
        EXPECT_TRUE(
            test::sameBytes(gallery->pictureBox()->pictureBytes(), siteBytes("img/pifu/bg48.gif")));

        gallery->nextButton()->click();
        gallery->nextButton()->click();
        ASSERT_EQ(gallery->numberBox()->text(), "2");
        EXPECT_TRUE(
            test::sameBytes(gallery->pictureBox()->pictureBytes(), siteBytes("img/pifu/bg2.gif")));

        gallery->startButton()->click();
        making = MakingWindow::openWindow();
        ASSERT_TRUE(making);
        EXPECT_TRUE(making->isVisible());
        EXPECT_TRUE(making->isEnabled());
        EXPECT_EQ(making->itemBox(1)->text().toStdString(), m_qq);
        EXPECT_FALSE(making->itemBox(1)->isEnabled());
        EXPECT_FALSE(making->saveButton()->isEnabled());
        ASSERT_TRUE(waitForPage(making, "/2.html"));

        const char* items[] = {"阿狸", "走自己的路", "男",   "20",   "1月1日", "AB型",
                               "龙",   "摩羯座",     "中国", "广东", "深圳"};
        for (int i = 2; i <= MakingWindow::kItemCount; ++i)
            making->itemBox(i)->setText(QString::fromUtf8(items[i - 2]));
        QTest::mouseClick(making->makeButton(), Qt::LeftButton);
        ASSERT_FALSE(m_dialogs.seen.empty());
        EXPECT_EQ(m_dialogs.seen.back().text, test::kReadyText);

        made = pictureOf(m_qq);
        EXPECT_TRUE(made.starts_with("GIF8"));
        EXPECT_TRUE(test::sameBytes(making->pictureBox()->pictureBytes(), made));
        ASSERT_TRUE(making->saveButton()->isEnabled());
        QTest::mouseClick(making->saveButton(), Qt::LeftButton);
        EXPECT_EQ(m_dialogs.seen.back().text, test::kSavedText);
        EXPECT_FALSE(m_main->isEnabled());
    });

    // The gallery is gone, the main window takes input again, the making window stays.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(m_main->isEnabled());
    ASSERT_TRUE(making);
    EXPECT_TRUE(making->isVisible());
    std::string saved;
    ASSERT_TRUE(readDesktopFile(saved));
    EXPECT_TRUE(test::sameBytes(saved, made));

    // Each load is a new gallery at template 48.
    withGallery(*m_main, [&](GalleryWindow* gallery) {
        EXPECT_EQ(gallery->numberBox()->text(), "48");
        EXPECT_FALSE(m_main->isEnabled());
    });
    EXPECT_TRUE(m_main->isEnabled());
}

// A close request as the window manager sends it (the window system's close event).
bool closeFromTheWindowManager(QWidget* window) {
    return window->windowHandle() && window->windowHandle()->close();
}

// While the gallery is open the main window refuses the window manager's close: it stays,
// disabled, and the making window beside it keeps taking input. Once the gallery is gone the
// main window closes like any other.
TEST_F(EndToEndTest, MainWindowStaysWhileTheGalleryIsOpen) {
    m_main->show();
    withGallery(*m_main, [&](GalleryWindow* gallery) {
        gallery->startButton()->click();
        MakingWindow* making = MakingWindow::openWindow();
        ASSERT_NE(making, nullptr);
        EXPECT_FALSE(closeFromTheWindowManager(m_main.get()));
        EXPECT_TRUE(m_main->isVisible());
        EXPECT_FALSE(m_main->isEnabled());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_TRUE(making->isEnabled());
        QTest::keyClicks(making->itemBox(2), "ab");
        EXPECT_EQ(making->itemBox(2)->text(), "ab");
    });
    EXPECT_TRUE(m_main->isEnabled());
    EXPECT_TRUE(closeFromTheWindowManager(m_main.get()));
    EXPECT_FALSE(m_main->isVisible());
}

// The program's own loop: closing the main window leaves the making window working (a make still
// goes through), and the program ends when the last of its windows closes.
TEST_F(EndToEndTest, ProgramRunsUntilItsLastWindowCloses) {
    m_main->show();
    QPointer<MakingWindow> making = openMakingOn(9);
    ASSERT_TRUE(making);
    bool steps = false;
    QTimer::singleShot(0, making, [&] {
        EXPECT_TRUE(closeFromTheWindowManager(m_main.get()));
        EXPECT_FALSE(m_main->isVisible());
        ASSERT_TRUE(making && making->isVisible());
        making->makeButton()->click();
        ASSERT_FALSE(m_dialogs.seen.empty());
        EXPECT_EQ(m_dialogs.seen.back().text, test::kReadyText);
        EXPECT_TRUE(making->pictureBox()->hasPicture());
        steps = true;
        EXPECT_TRUE(closeFromTheWindowManager(making));
    });
    // Only a program that never ends gets here.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(120000);
    const bool quitting = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(true);
    const int code = QApplication::exec();
    QApplication::setQuitOnLastWindowClosed(quitting);
    EXPECT_TRUE(steps);
    EXPECT_EQ(code, 0) << "the program did not end with its last window";
}

}  // namespace
}  // namespace quelvo::app
