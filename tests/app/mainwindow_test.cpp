// The main window: its layout, the QQ number test in front of the gallery, and the box that
// empties itself on the five mouse actions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <string>

#include "app/clearinglineedit.h"
#include "app/mainwindow.h"
#include "dialogs/modalwatcher.h"
#include "platform/widgets/qttext.h"
#include "support/wait.h"

namespace quelvo::app {
namespace {

// A main window shown and active, with the gallery seam counting its calls.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_window.setGalleryOpener([this] { ++m_galleryOpened; });
        m_window.show();
        m_window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }

    MainWindow m_window;
    int m_galleryOpened = 0;
};

TEST_F(MainWindowTest, MatchesItsLayout) {
    EXPECT_EQ(m_window.windowTitle(), "Quelvo");
    EXPECT_EQ(m_window.size(), QSize(336, 60));
    EXPECT_EQ(m_window.minimumSize(), m_window.maximumSize());
    const Qt::WindowFlags flags = m_window.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(m_window.windowIcon().pixmap(48, 48).isNull());
    EXPECT_TRUE(m_window.windowIcon().availableSizes().contains(QSize(48, 48)));

    auto* box = m_window.findChild<QLineEdit*>("编辑框1");
    ASSERT_EQ(box, m_window.qqBox());
    EXPECT_EQ(box->geometry(), QRect(0, 8, 232, 40));
    EXPECT_EQ(box->text(), "输入制作的QQ");
    EXPECT_TRUE(box->hasFrame());
    EXPECT_EQ(box->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_EQ(box->palette().color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(box->font().pixelSize(), 29);

    auto* button = m_window.findChild<QPushButton*>("按钮1");
    ASSERT_EQ(button, m_window.enterButton());
    EXPECT_EQ(button->geometry(), QRect(248, 16, 80, 32));
    EXPECT_EQ(button->text(), "进入制作界面");

    for (QWidget* control : {static_cast<QWidget*>(box), static_cast<QWidget*>(button)}) {
        EXPECT_TRUE(control->isVisible());
        EXPECT_TRUE(control->isEnabled());
        EXPECT_TRUE(control->focusPolicy() & Qt::TabFocus);
    }
    EXPECT_EQ(box->nextInFocusChain(), button);
}

TEST_F(MainWindowTest, QqTextIsTheBoxTextAsGb18030) {
    m_window.qqBox()->setText(QStringLiteral("12345 昵称"));
    EXPECT_EQ(m_window.qqText(), Text::fromUtf8("12345 昵称"));
    EXPECT_EQ(MainWindow::instance(), &m_window);
}

struct QqCase {
    const char* name;
    const char* text;  // UTF-8
    bool opensGallery;
};

class QqTest : public MainWindowTest, public ::testing::WithParamInterface<QqCase> {};

// Only the first byte counts, as a signed number: "1" to "9" open the gallery; anything else,
// a Chinese character's negative lead byte included, gives the message and nothing more.
TEST_P(QqTest, FirstByteDecidesBetweenGalleryAndMessage) {
    m_window.qqBox()->setText(QString::fromUtf8(GetParam().text));
    test::ModalWatcher watcher;
    QTest::mouseClick(m_window.enterButton(), Qt::LeftButton);

    if (GetParam().opensGallery) {
        EXPECT_EQ(m_galleryOpened, 1);
        EXPECT_TRUE(watcher.boxes().empty());
    } else {
        EXPECT_EQ(m_galleryOpened, 0);
        ASSERT_EQ(watcher.boxes().size(), 1u);
        const test::SeenBox& box = watcher.boxes().front();
        EXPECT_EQ(box.text, "请输入正确的QQ号码！");
        EXPECT_EQ(box.title, "信息：");
        EXPECT_EQ(box.buttons, 1);
        EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    }
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, QqTest,
    ::testing::Values(QqCase{"Number", "12345", true}, QqCase{"DigitThenLetters", "1abc", true},
                      QqCase{"Nine", "9", true}, QqCase{"DigitThenChinese", "8号", true},
                      QqCase{"LeadingZero", "0123", false}, QqCase{"LeadingBlank", " 1", false},
                      QqCase{"Empty", "", false}, QqCase{"InitialPrompt", "输入制作的QQ", false},
                      QqCase{"ChineseFirst", "号12345", false},
                      QqCase{"FullWidthDigit", "１２３", false},
                      QqCase{"ColonAboveNine", ":1", false}, QqCase{"Letter", "a1", false}),
    [](const auto& info) { return std::string(info.param.name); });

struct MouseCase {
    const char* name;
    QEvent::Type type;
    Qt::MouseButton button;
    bool clears;
};

class ClearingTest : public MainWindowTest, public ::testing::WithParamInterface<MouseCase> {};

// Each of the five handlers alone, fed one event: typed text goes, other buttons leave it.
TEST_P(ClearingTest, EachOfTheFiveMouseActionsEmptiesTheBox) {
    ClearingLineEdit* box = m_window.qqBox();
    box->clear();
    QTest::keyClicks(box, "12345");
    ASSERT_EQ(box->text(), "12345");

    const MouseCase& c = GetParam();
    const QPointF at(20, 20);
    const Qt::MouseButtons held = c.type == QEvent::MouseButtonRelease ? Qt::NoButton : c.button;
    QMouseEvent event(c.type, at, box->mapToGlobal(at), c.button, held, Qt::NoModifier);
    QApplication::sendEvent(box, &event);
    EXPECT_EQ(box->text().isEmpty(), c.clears) << box->text().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, ClearingTest,
    ::testing::Values(MouseCase{"LeftPress", QEvent::MouseButtonPress, Qt::LeftButton, true},
                      MouseCase{"LeftRelease", QEvent::MouseButtonRelease, Qt::LeftButton, true},
                      MouseCase{"DoubleClick", QEvent::MouseButtonDblClick, Qt::LeftButton, true},
                      MouseCase{"RightPress", QEvent::MouseButtonPress, Qt::RightButton, true},
                      MouseCase{"RightRelease", QEvent::MouseButtonRelease, Qt::RightButton, true},
                      MouseCase{"MiddlePress", QEvent::MouseButtonPress, Qt::MiddleButton, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Through the window, as a user's click arrives from the window system: the box empties and the
// click still does what a click does.
TEST_F(MainWindowTest, ClickingIntoTheBoxAfterTypingClearsItAndFocusesIt) {
    ClearingLineEdit* box = m_window.qqBox();
    m_window.enterButton()->setFocus();
    box->clear();
    QTest::keyClicks(box, "123456789");
    QTest::mouseClick(m_window.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      box->mapTo(&m_window, QPoint(30, 20)));
    EXPECT_TRUE(box->text().isEmpty());
    EXPECT_TRUE(box->hasFocus());

    // Typing after the click starts a fresh number.
    QTest::keyClicks(box, "42");
    EXPECT_EQ(box->text(), "42");
}

TEST_F(MainWindowTest, RightClickClearsTheBoxAndStillOpensItsMenu) {
    ClearingLineEdit* box = m_window.qqBox();
    box->setText(QStringLiteral("10001"));
    test::ModalWatcher watcher;
    QTest::mouseClick(m_window.windowHandle(), Qt::RightButton, Qt::NoModifier,
                      box->mapTo(&m_window, QPoint(30, 20)));
    // The menu comes through the event loop, however long that takes on a loaded machine.
    EXPECT_TRUE(test::waitFor([&] { return watcher.menus() >= 1; }, 15000));
    EXPECT_TRUE(box->text().isEmpty());
}

}  // namespace
}  // namespace quelvo::app
