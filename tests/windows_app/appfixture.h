// Shared pieces of the window tests: the bundled skin site as the program starts it, a desktop
// folder of the test's own, an answerer for every message box, and a making window on a page.
#pragma once

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/clearinglineedit.h"
#include "app/mainwindow.h"
#include "app/siteaddresses.h"

namespace quelvo::app {
class MakingWindow;
}

namespace quelvo::test {

struct SeenDialog {
    std::string title;
    std::string text;
};

// Closes every message box (Quelvo's and the page's) as soon as it is the active modal window,
// records it, then tells `onDialog`.
class DialogAnswerer {
public:
    DialogAnswerer();
    std::vector<SeenDialog> seen;
    std::function<void(const SeenDialog&)> onDialog;

    int count(const std::string& text) const;
    // The texts in the order seen.
    std::vector<std::string> texts() const;

private:
    void poll();
    QTimer m_timer;
};

// Byte strings compared without printing pictures into the log.
::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected);
// Two GIFs alike but for their comment blocks (the bundled site notes in one when it was made).
::testing::AssertionResult samePicture(const std::string& actual, const std::string& expected);

// The dialog texts of a make.
inline const std::string kWaitText = "请等待20~30秒......直到右侧出现图片后再操作";
inline const std::string kWaitTitle = "Ulvane提示您！";
inline const std::string kReadyText = "可以下载图片到桌面咯";
inline const std::string kNotReadyText = "图片还没有做好，请稍后再点“立即制作”。";
inline const std::string kPageNotReadyText =
    "制作页面还没有准备好，正在重新打开，请稍后再点“立即制作”。";
inline const std::string kSavedText = "下载OK啦！请注意桌面的文件！";
inline const std::string kSiteAlert = "皮肤制作成功，请回到软件下载图片！";

class AppTest : public ::testing::Test {
protected:
    // With shortenWaits(): the upper bound of a make's wait is 1 s instead of 20 s. The bundled
    // site's pictures end the wait when they are there, so most tests keep the real bound.
    static constexpr double kShortWaitScale = 0.05;

    // Each test has a QQ number of its own, with no picture on the site yet.
    void SetUp() override;
    void TearDown() override;

    static void shortenWaits();
    // The finished picture of `qq` on the bundled site, as the windows fetch it.
    static std::string pictureOf(const std::string& qq);
    // The bundled site's picture for `items` (the twelve values, the QQ number first) on template
    // `number`, made by posting the form straight to the site; replaces the number's picture.
    static std::string directMake(int number, const std::vector<std::string>& items);

    // The bundled site's base address ("http://127.0.0.1:PORT/"), started the program's way.
    static std::string siteBase();
    // A resource of the bundled site, fetched the way the windows fetch.
    static std::string siteBytes(const std::string& path);

    // Points the windows at `options` (empty fields: the bundled site).
    void useSites(app::SiteOptions options);

    // Opens the making window and waits until its browser shows template `number`.
    app::MakingWindow* openMakingOn(int number);
    // Waits until the browser of `window` finishes loading a page whose path is `path`; call it
    // right after starting the navigation, before events run.
    static bool waitForPage(app::MakingWindow* window, const QString& path, int timeoutMs = 15000);

    // The desktop file, and its bytes (nullopt-like empty + false when missing).
    QString desktopFile() const;
    bool readDesktopFile(std::string& bytes) const;
    // Makes the desktop folder `path` (absolute) from now on.
    void setDesktop(const QString& path);

    // A fresh QQ number.
    std::string m_qq;
    QTemporaryDir m_temp;
    std::unique_ptr<app::MainWindow> m_main;
    DialogAnswerer m_dialogs;
};

}  // namespace quelvo::test
