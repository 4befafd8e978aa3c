// Message boxes: OK only, no icon, modal, the default title, and the call returns once closed.
#include <gtest/gtest.h>

#include "dialogs/modalwatcher.h"
#include "platform/widgets/messagebox.h"

namespace quelvo::widgets {
namespace {

TEST(MessageBox, ShowsOkOnlyWithoutIconUnderTheDefaultTitleAndReturnsWhenClosed) {
    test::ModalWatcher watcher;
    messageBox("请输入正确的QQ号码！"_t);
    // Returning at all means the box was closed; it was seen exactly once.
    ASSERT_EQ(watcher.boxes().size(), 1u);
    const test::SeenBox& box = watcher.boxes().front();
    EXPECT_EQ(box.title, "信息：");
    EXPECT_EQ(box.text, "请输入正确的QQ号码！");
    EXPECT_EQ(box.buttons, 1);
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_EQ(box.modality, Qt::ApplicationModal);
}

TEST(MessageBox, TakesAGivenTitleAndKeepsNonAsciiTextWhole) {
    test::ModalWatcher watcher;
    messageBox(Text::fromUtf8("图片还没有做好 😀"), "提示"_t);
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes().front().title, "提示");
    EXPECT_EQ(watcher.boxes().front().text, "图片还没有做好 😀");
}

// A text may carry what a site sent: it is shown as characters, never as markup or pictures.
TEST(MessageBox, ShowsMarkupAsPlainText) {
    test::ModalWatcher watcher;
    const std::string markup = "<b>bold</b><img src=\"x.png\"> &amp;";
    messageBox(Text::fromUtf8(markup));
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes().front().text, markup);
    EXPECT_EQ(watcher.boxes().front().format, Qt::PlainText);
}

}  // namespace
}  // namespace quelvo::widgets
