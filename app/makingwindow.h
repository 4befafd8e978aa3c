// The making window: twelve profile items, the make sequence on the hidden skin-site page, the
// finished picture and its saving to the desktop.
#pragma once

#include <QDeadlineTimer>
#include <QPointer>
#include <QWidget>

#include <array>
#include <optional>
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
    // Upper bound of the wait for the finished picture; it ends as soon as a fresh one is there.
    static constexpr int kMakeWaitMs = 20000;
    // How often the wait asks the site for the picture.
    static constexpr int kPollMs = 300;
    static constexpr int kShowWaitMs = 100;
    // Characters (code points) a profile item may have on the bundled site; a longer one is
    // marked while it is typed and refused by the make with the reason.
    static constexpr int kItemMaxLength = 64;
    // What a box holds at most (UTF-16 units): far above any site's item.
    static constexpr int kBoxCapacity = 1 << 20;

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
    // Shows how long the current make still waits; when no make waits, which item is too long
    // for the bundled site, or nothing.
    QLabel* countdownLabel() const { return m_countdown; }

    // `按钮1` "立即制作": bind, fill the twelve fields, click the page's make button, wait for the
    // finished picture (until it differs from what its address gave before the click, at most
    // kMakeWaitMs) and show it. With no make button on the page nothing is made: the user is told
    // and the chosen page loads again. Handles events while it waits, so it may run nested.
    void make();
    // `按钮2` "下载图片到桌面": writes the picture's bytes to the desktop as "空间皮肤.gif".
    void save();

    // The field ids of the site's page, in the order the items are sent.
    static const std::array<const char*, kItemCount>& fieldIds();

signals:
    // A make has just set the finished picture.
    void pictureShown();
    // The user closed the window; its deletion follows.
    void windowClosed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class Countdown;
    void updateCountdown();
    // Deleted, or closed and waiting for its deletion: a make then ends without touching it.
    static bool gone(const QPointer<MakingWindow>& window);
    // Asks `address` every kPollMs until it gives a picture other than `before`, or once more
    // after `deadline`; returns the last answer, or nothing when the window went meanwhile.
    std::string waitForPicture(const Text& address, const std::string& before,
                               QDeadlineTimer deadline);
    // Why the items cannot be sent to the site as they stand, or nothing.
    std::optional<QString> itemsRefusal() const;
    // Marks the items too long for the bundled site and names the first below the picture.
    void showItemLengths();

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
    // The page the browser was last sent to: the chosen template's, or the index page.
    Text m_pageAddress;
    // Shown below the picture while no make waits.
    QString m_hint;
    bool m_closed = false;
};

// The result of the latest binding by any make, application-wide: 1 means bound, 0 not yet
// bound or refused.
int lastBindingResult();

// The desktop file's name.
inline constexpr const char* kDesktopFileName = "空间皮肤.gif";

}  // namespace quelvo::app
