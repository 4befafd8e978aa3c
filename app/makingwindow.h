// The making window: twelve profile items, the make sequence on the hidden skin-site page, the
// finished picture and its saving to the desktop.
#pragma once

#include <QDeadlineTimer>
#include <QWidget>

#include <array>
#include <string>
#include <vector>

#include "common/text.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace quelvo {
class BrowserControl;
class PictureBox;
}  // namespace quelvo

namespace quelvo::app {

class MakingWindow : public QWidget {
    Q_OBJECT
public:
    // Client size; with the frame the window is about 408 × 410.
    static constexpr int kClientWidth = 402;
    static constexpr int kClientHeight = 381;
    static constexpr int kItemCount = 12;
    static constexpr int kMakeWaitMs = 20000;
    static constexpr int kShowWaitMs = 1000;
    // Characters a profile item may have.
    static constexpr int kItemMaxLength = 64;

    // Builds the window from its layout, copies the main window's QQ number into `编辑框1` and
    // points the hidden browser at the site's index page.
    explicit MakingWindow(QWidget* parent = nullptr);
    ~MakingWindow() override;

    // The making window that is open now, or nullptr: there is at most one.
    static MakingWindow* openWindow();
    // Opens a new making window (no parent, not blocking, deleted when closed), or brings the
    // open one to the front, restored when minimised, without running its created step again.
    static MakingWindow* open();

    // Makes the hidden browser go to `address`.
    void navigate(const Text& address);

    // `编辑框1` … `编辑框12`, numbered from 1.
    QLineEdit* itemBox(int number) const {
        return m_items.at(static_cast<std::size_t>(number - 1));
    }
    PictureBox* pictureBox() const { return m_picture; }
    QLabel* instructions() const { return m_instructions; }
    QPushButton* makeButton() const { return m_makeButton; }
    QPushButton* saveButton() const { return m_saveButton; }
    BrowserControl* browser() const { return m_browser; }
    // Shows how long the current make still waits; empty when no make waits.
    QLabel* countdownLabel() const { return m_countdown; }

    // `按钮1` "立即制作": bind, fill the twelve fields, click the page's make button, wait, fetch
    // and show the finished picture. Handles events while it waits, so it may run nested.
    void make();
    // `按钮2` "下载图片到桌面": writes the picture's bytes to the desktop as "空间皮肤.gif".
    void save();

    // The field ids of the site's page, in the order the items are sent.
    static const std::array<const char*, kItemCount>& fieldIds();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class Countdown;
    void updateCountdown();

    std::array<QLineEdit*, kItemCount> m_items{};
    QLabel* m_captions = nullptr;
    PictureBox* m_picture = nullptr;
    QLabel* m_instructions = nullptr;
    QLabel* m_countdown = nullptr;
    QPushButton* m_makeButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    BrowserControl* m_browser = nullptr;
    QTimer* m_countdownTicker = nullptr;
    // Deadlines of the long waits in progress, innermost last.
    std::vector<QDeadlineTimer> m_waits;
};

// The result of the latest binding by any make, application-wide: 1 means bound, 0 not yet
// bound or refused.
int lastBindingResult();

// The desktop file's name.
inline constexpr const char* kDesktopFileName = "空间皮肤.gif";

}  // namespace quelvo::app
