// The gallery window: its layout, paging with wrapping and the real-value tolerance, previews
// from the site, and the making window it starts or brings back.
#include <gtest/gtest.h>

#include <clocale>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWebEnginePage>

#include <string>

#include "app/gallerywindow.h"
#include "app/makingwindow.h"
#include "appfixture.h"
#include "platform/browser/automationpage.h"
#include "platform/browser/browsercontrol.h"
#include "platform/widgets/picturebox.h"
#include "support/wait.h"

namespace quelvo::app {
namespace {

using test::AppTest;

class GalleryTest : public AppTest {};

TEST_F(GalleryTest, OpensOnTemplate48WithItsLayout) {
    GalleryWindow gallery;
    EXPECT_EQ(gallery.numberBox()->text(), "48");
    EXPECT_TRUE(
        test::sameBytes(gallery.pictureBox()->pictureBytes(), siteBytes("img/pifu/bg48.gif")));
    EXPECT_TRUE(gallery.pictureBox()->hasPicture());
    EXPECT_FALSE(gallery.pictureBox()->pictureBytes().empty());

    EXPECT_TRUE(gallery.windowTitle().isEmpty());
    EXPECT_EQ(gallery.size(), QSize(634, 516));
    EXPECT_EQ(gallery.minimumSize(), gallery.maximumSize());
    const Qt::WindowFlags flags = gallery.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(gallery.parentWidget(), nullptr);

    struct Control {
        const char* name;
        QRect place;
        const char* text;
    };
    const Control controls[] = {
        {"图片框1", {8, 8, 624, 464}, nullptr},      {"按钮2", {40, 472, 112, 40}, "上一张"},
        {"透明标签1", {160, 480, 96, 60}, "第："},   {"编辑框1", {200, 480, 32, 32}, "48"},
        {"透明标签2", {232, 480, 96, 60}, "张皮肤"}, {"按钮1", {320, 472, 112, 40}, "下一张"},
        {"按钮3", {464, 480, 80, 32}, "开始制作"},
    };
    for (const Control& c : controls) {
        auto* widget = gallery.findChild<QWidget*>(QString::fromUtf8(c.name));
        ASSERT_NE(widget, nullptr) << c.name;
        EXPECT_EQ(widget->geometry(), c.place) << c.name;
        EXPECT_TRUE(widget->isEnabled()) << c.name;
        if (!c.text)
            continue;
        QString text;
        if (auto* b = qobject_cast<QPushButton*>(widget))
            text = b->text();
        else if (auto* l = qobject_cast<QLabel*>(widget))
            text = l->text();
        else if (auto* e = qobject_cast<QLineEdit*>(widget))
            text = e->text();
        EXPECT_EQ(text.toStdString(), c.text) << c.name;
    }
    EXPECT_EQ(gallery.pictureBox()->border(), PictureBox::Border::None);
    EXPECT_TRUE(gallery.pictureBox()->stretch());
    EXPECT_EQ(gallery.numberBox()->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_EQ(gallery.numberBox()->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_EQ(gallery.numberBox()->font().pixelSize(), 21);
    EXPECT_EQ(gallery.findChild<QLabel*>("透明标签1")->font().pixelSize(), 29);
    for (QWidget* w :
         {static_cast<QWidget*>(gallery.previousButton()),
          static_cast<QWidget*>(gallery.numberBox()), static_cast<QWidget*>(gallery.nextButton()),
          static_cast<QWidget*>(gallery.startButton())}) {
        EXPECT_TRUE(w->focusPolicy() & Qt::TabFocus) << w->objectName().toStdString();
    }
    EXPECT_TRUE(m_dialogs.seen.empty());
}

enum class Press { Previous, Next };

struct PagingCase {
    const char* name;
    const char* typed;  // UTF-8
    Press press;
    const char* expected;
    // The preview shown afterwards; 0 when the site has none (nothing is shown).
    int preview;
};

class PagingTest : public AppTest, public ::testing::WithParamInterface<PagingCase> {};

// Each case also under a locale with a decimal comma: the user's locale must not change what a
// typed number means.
TEST_P(PagingTest, NumberTextAndPreviewChangeTogether) {
    const PagingCase& c = GetParam();
    const std::string before = std::setlocale(LC_ALL, nullptr);
    for (const char* locale : {"", "de_DE.UTF-8"}) {
        SCOPED_TRACE(*locale ? locale : "the test's locale");
        if (*locale) {
            ASSERT_NE(std::setlocale(LC_ALL, locale), nullptr) << "locales-all is needed";
        }
        GalleryWindow gallery;
        gallery.numberBox()->setText(QString::fromUtf8(c.typed));
        (c.press == Press::Previous ? gallery.previousButton() : gallery.nextButton())->click();
        std::setlocale(LC_ALL, before.c_str());

        EXPECT_EQ(gallery.numberBox()->text().toStdString(), c.expected);
        if (c.preview > 0) {
            EXPECT_TRUE(gallery.pictureBox()->hasPicture());
            EXPECT_EQ(gallery.pictureBox()->pictureBytes(),
                      siteBytes("img/pifu/bg" + std::to_string(c.preview) + ".gif"));
        } else {
            // The site's error page came back: nothing is shown, and nothing is said.
            EXPECT_FALSE(gallery.pictureBox()->hasPicture());
        }
        EXPECT_TRUE(m_dialogs.seen.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Gallery, PagingTest,
    ::testing::Values(PagingCase{"NextFrom48Wraps", "48", Press::Next, "1", 1},
                      PagingCase{"PreviousFrom1Wraps", "1", Press::Previous, "48", 48},
                      PagingCase{"PreviousFrom2", "2", Press::Previous, "1", 1},
                      PagingCase{"NextFrom47", "47", Press::Next, "48", 48},
                      PagingCase{"NextFrom100", "100", Press::Next, "1", 1},
                      PagingCase{"PreviousFrom100", "100", Press::Previous, "99", 0},
                      PagingCase{"PreviousFromOnePointFive", "1.5", Press::Previous, "0", 0},
                      PagingCase{"NextFromOnePointFive", "1.5", Press::Next, "2", 2},
                      PagingCase{"NextWithinToleranceBelow48", "47.99999999", Press::Next, "1", 1},
                      PagingCase{"NextJustOutsideTolerance", "47.9999", Press::Next, "48", 48},
                      PagingCase{"PreviousFromMinus5", "-5", Press::Previous, "48", 48},
                      PagingCase{"NextFromMinus5", "-5", Press::Next, "-4", 0},
                      PagingCase{"PreviousFromEmpty", "", Press::Previous, "48", 48},
                      PagingCase{"NextFromEmpty", "", Press::Next, "1", 1},
                      PagingCase{"PreviousFromLetters", "abc", Press::Previous, "48", 48},
                      PagingCase{"NextFromLetters", "abc", Press::Next, "1", 1},
                      PagingCase{"NextFromFullWidthDigits", "１２", Press::Next, "13", 13},
                      PagingCase{"NextFromNumberThenLetters", "12abc", Press::Next, "13", 13}),
    [](const auto& info) { return std::string(info.param.name); });

// A preview the site does not have shows nothing; paging back to a real one shows it again.
TEST_F(GalleryTest, NumberOutsideTheTemplatesShowsNothingAndSaysNothing) {
    GalleryWindow gallery;
    gallery.numberBox()->setText(QStringLiteral("50"));
    gallery.previousButton()->click();
    EXPECT_EQ(gallery.numberBox()->text(), "49");
    EXPECT_FALSE(gallery.pictureBox()->hasPicture());
    gallery.previousButton()->click();
    EXPECT_EQ(gallery.numberBox()->text(), "48");
    EXPECT_TRUE(gallery.pictureBox()->hasPicture());
    EXPECT_TRUE(m_dialogs.seen.empty());
}

// The second start brings the same window back (restored), keeps its QQ box as copied at
// creation, and sends its browser to the second template.
TEST_F(GalleryTest, StartingTwiceReusesTheMakingWindow) {
    GalleryWindow gallery;
    gallery.numberBox()->setText(QStringLiteral("7"));
    gallery.startButton()->click();
    MakingWindow* making = MakingWindow::openWindow();
    ASSERT_NE(making, nullptr);
    EXPECT_EQ(making->parentWidget(), nullptr);
    EXPECT_TRUE(making->isVisible());
    EXPECT_EQ(making->itemBox(1)->text().toStdString(), m_qq);
    ASSERT_TRUE(waitForPage(making, "/7.html"));

    m_main->qqBox()->setText(QStringLiteral("99999"));
    making->showMinimized();
    gallery.numberBox()->setText(QStringLiteral("23"));
    gallery.startButton()->click();
    EXPECT_EQ(MakingWindow::openWindow(), making);
    EXPECT_FALSE(making->isMinimized());
    EXPECT_EQ(making->itemBox(1)->text().toStdString(), m_qq);
    ASSERT_TRUE(waitForPage(making, "/23.html"));
    EXPECT_EQ(making->browser()->page()->title().toStdString(), "第 23 套 - Quelvo 皮肤站");

    // Once closed, the next start makes a new window that copies the QQ number again.
    making->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(MakingWindow::openWindow(), nullptr);
    gallery.startButton()->click();
    ASSERT_NE(MakingWindow::openWindow(), nullptr);
    EXPECT_EQ(MakingWindow::openWindow()->itemBox(1)->text(), "99999");
    EXPECT_FALSE(MakingWindow::openWindow()->saveButton()->isEnabled());
}

// The number goes into the page address as the box holds it, untested.
TEST_F(GalleryTest, StartUsesTheBoxTextUnchanged) {
    GalleryWindow gallery;
    gallery.numberBox()->setText(QStringLiteral("abc"));
    gallery.startButton()->click();
    MakingWindow* making = MakingWindow::openWindow();
    ASSERT_NE(making, nullptr);
    ASSERT_TRUE(
        test::waitFor([&] { return making->browser()->page()->url().path() == "/abc.html"; }));
}

}  // namespace
}  // namespace quelvo::app
