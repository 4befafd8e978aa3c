// The making window: twelve profile items, the make sequence on the hidden skin-site page, the
// finished picture and its saving to the desktop.
#include "app/makingwindow.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>

#include "app/editcolours.h"
#include "app/globalpage.h"
#include "app/mainwindow.h"
#include "app/siteaddresses.h"
#include "app/windowplace.h"
#include "platform/browser/browsercontrol.h"
#include "platform/files/files.h"
#include "platform/http/fetch.h"
#include "platform/widgets/messagebox.h"
#include "platform/widgets/picturebox.h"
#include "platform/widgets/qttext.h"
#include "platform/widgets/timedwait.h"
#include "platform/widgets/windowfetch.h"
#include "platform/windows/handles.h"
#include "skinsite/formcheck.h"
#include "webpage/webpage.h"

namespace quelvo::app {
namespace {

QPointer<MakingWindow> g_open;
int g_lastBindingResult = 0;

constexpr std::array<const char*, MakingWindow::kItemCount> kFieldIds = {
    "qq",        "usernick",  "userannouncement",  "usergender", "userage",     "userbirthday",
    "usergroup", "userlunar", "userconstellation", "qzonenick",  "useraddress", "userreflections"};

constexpr std::array<const char*, MakingWindow::kItemCount> kCaptions = {
    " Q Q：", "昵称：", "签名：", "性别：", "年龄：", "生日：",
    "血型：", "生肖：", "星座：", "国家：", "省份：", "城市："};

constexpr std::array<int, MakingWindow::kItemCount> kItemTops = {8,   40,  64,  96,  120, 152,
                                                                 176, 208, 232, 264, 288, 312};

constexpr const char* kInstructions[] = {
    "软件制作完一张后，需要等待5~10分钟后才能继续制作下一张",
    "点击立即制作后 需要等待大概三十秒左右才会制作成功",
    "弹出网页信息时，点确定",
    "制作成功后，下载图片按钮会恢复正常，点击下载图片即可",
};

// A label whose lines stand a fixed pitch apart (the font's character height), so that each
// caption stays beside its edit box whatever the font's own line spacing.
class PitchedLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        const int pitch = font().pixelSize() > 0 ? font().pixelSize() : fontMetrics().height();
        const QStringList lines = text().split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            painter.drawText(QRect(0, static_cast<int>(i) * pitch, width(), pitch),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, lines[i]);
        }
    }
};

QString captionText() {
    QStringList lines;
    for (const char* caption : kCaptions) {
        if (!lines.isEmpty())
            lines << QString();
        lines << QString::fromUtf8(caption);
    }
    return lines.join(QLatin1Char('\n'));
}

QString instructionText() {
    QString text;
    for (const char* paragraph : kInstructions)
        text += QString::fromUtf8(paragraph) + QStringLiteral("\n\n");
    return text;
}

// Characters as the site counts them: code points, not UTF-16 units.
qsizetype characterCount(const QString& text) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        count += !text[i].isLowSurrogate() || i == 0 || !text[i - 1].isHighSurrogate();
    return count;
}

// The caption of item `index` (from 0) without its colon, as the messages name it.
QString caption(int index) {
    return QString::fromUtf8(kCaptions[static_cast<std::size_t>(index)])
        .remove(QStringLiteral("："))
        .trimmed();
}

bool isPicture(const std::string& bytes) {
    if (bytes.empty())
        return false;
    PictureBox probe;
    probe.setPictureBytes(bytes);
    return probe.hasPicture();
}

// Why the desktop file could not be written, as the user can act on it.
QString writeFailureReason(const Text& folder, const Text& path, int error) {
    if (folder.empty())
        return QStringLiteral("找不到桌面文件夹");
    struct stat info {};
    if (::stat(path.toUtf8().c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode))
            return QStringLiteral("桌面上有同名的文件夹或特殊文件");
        const std::optional<std::uint32_t> attributes = files::attributes(path);
        if (attributes && (*attributes & (files::kReadOnly | files::kHidden | files::kSystem)))
            return QStringLiteral("桌面上的同名文件是只读、隐藏或系统文件，不能替换");
    }
    switch (error) {
        case EACCES:
        case EPERM:
            return QStringLiteral("没有写入桌面文件夹的权限");
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("桌面文件夹不存在");
        case EROFS:
            return QStringLiteral("桌面所在的磁盘是只读的");
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("磁盘空间不足");
        case 0:
            return QStringLiteral("写入失败");
        default:
            return QString::fromLocal8Bit(std::strerror(error));
    }
}

}  // namespace

// Shows the remaining time of the innermost long wait while it lasts. Waits nest: a make pressed
// during another's wait pushes its own deadline and pops it when its wait is over.
class MakingWindow::Countdown {
public:
    Countdown(MakingWindow* window, int milliseconds) : m_window(window) {
        const double scaled = std::ceil(milliseconds * widgets::timedWaitScale());
        window->m_waits.emplace_back(static_cast<qint64>(scaled));
        window->m_countdownTicker->start();
        window->updateCountdown();
    }
    ~Countdown() {
        // The window may have been closed during the wait.
        if (!m_window)
            return;
        m_window->m_waits.pop_back();
        m_window->updateCountdown();
    }
    Countdown(const Countdown&) = delete;
    Countdown& operator=(const Countdown&) = delete;

private:
    QPointer<MakingWindow> m_window;
};

MakingWindow::MakingWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setFixedToolWindowFrame(this);
    setWindowTitle(QString());
    setFixedSize(kClientWidth, kClientHeight);

    m_captions = new PitchedLabel(captionText(), this);
    m_captions->setObjectName(QStringLiteral("标签1"));
    m_captions->setGeometry(8, 16, 80, 336);
    QFont small = m_captions->font();
    small.setPixelSize(14);
    m_captions->setFont(small);

    for (int i = 0; i < kItemCount; ++i) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("编辑框%1").arg(i + 1));
        box->setGeometry(40, kItemTops[static_cast<std::size_t>(i)], 120, 24);
        box->setFrame(true);
        setEditColours(box, Qt::black);
        box->setFocusPolicy(Qt::StrongFocus);
        // Texts are taken whole: the site's limit is shown, not enforced by cutting.
        box->setMaxLength(kBoxCapacity);
        if (i > 0)
            connect(box, &QLineEdit::textChanged, this, &MakingWindow::showItemLengths);
        m_items[static_cast<std::size_t>(i)] = box;
    }
    m_items[0]->setEnabled(false);

    m_picture = new PictureBox(this);
    m_picture->setObjectName(QStringLiteral("图片框1"));
    m_picture->setGeometry(160, 8, 232, 320);
    m_picture->setBorder(PictureBox::Border::SingleLine);
    m_picture->setStretch(true);

    m_instructions = new QLabel(instructionText(), m_picture);
    m_instructions->setObjectName(QStringLiteral("透明标签1"));
    m_instructions->setGeometry(7, 15, 216, 288);
    m_instructions->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_instructions->setWordWrap(true);
    m_instructions->setAttribute(Qt::WA_TranslucentBackground);
    m_instructions->setAutoFillBackground(false);
    QPalette red = m_instructions->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    m_instructions->setPalette(red);

    // Below the picture: how long the make still waits.
    m_countdown = new QLabel(this);
    m_countdown->setObjectName(QStringLiteral("标签2"));
    m_countdown->setGeometry(160, 328, 232, 16);
    m_countdown->setAlignment(Qt::AlignCenter);
    QFont countdownFont = m_countdown->font();
    countdownFont.setPixelSize(12);
    m_countdown->setFont(countdownFont);

    m_makeButton = new QPushButton(QStringLiteral("立即制作"), this);
    m_makeButton->setObjectName(QStringLiteral("按钮1"));
    m_makeButton->setGeometry(24, 344, 136, 32);
    m_makeButton->setFocusPolicy(Qt::StrongFocus);

    m_saveButton = new QPushButton(QStringLiteral("下载图片到桌面"), this);
    m_saveButton->setObjectName(QStringLiteral("按钮2"));
    m_saveButton->setGeometry(248, 344, 128, 32);
    m_saveButton->setFocusPolicy(Qt::StrongFocus);
    m_saveButton->setEnabled(false);

    // Right of the client area: never seen, but it loads pages and runs their scripts.
    m_browser = new BrowserControl(this);
    m_browser->setObjectName(QStringLiteral("超文本浏览框1"));
    m_browser->setGeometry(496, 48, 416, 304);
    m_browser->setFocusPolicy(Qt::StrongFocus);

    m_countdownTicker = new QTimer(this);
    m_countdownTicker->setInterval(250);
    connect(m_countdownTicker, &QTimer::timeout, this, &MakingWindow::updateCountdown);

    connect(m_makeButton, &QPushButton::clicked, this, &MakingWindow::make);
    connect(m_saveButton, &QPushButton::clicked, this, &MakingWindow::save);

    // Created: the QQ number of the main window, and the site's index page.
    if (MainWindow* main = MainWindow::instance())
        m_items[0]->setText(widgets::toQString(main->qqText()));
    navigate(mainAddress());
}

MakingWindow::~MakingWindow() {
    if (g_open == this)
        g_open = nullptr;
}

MakingWindow* MakingWindow::openWindow() {
    return g_open.data();
}

MakingWindow* MakingWindow::open() {
    if (MakingWindow* window = g_open.data()) {
        if (window->isMinimized())
            window->showNormal();
        window->raise();
        window->activateWindow();
        return window;
    }
    auto* window = new MakingWindow();
    window->setAttribute(Qt::WA_DeleteOnClose);
    g_open = window;
    centreOnScreen(window);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void MakingWindow::navigate(const Text& address) {
    m_pageAddress = address;
    m_browser->navigate(QUrl(QString::fromStdString(http::urlFromAddress(address))));
}

const std::array<const char*, MakingWindow::kItemCount>& MakingWindow::fieldIds() {
    return kFieldIds;
}

void MakingWindow::make() {
    // Every wait below handles events: the user may close this window meanwhile, and then the
    // make ends without touching it again (its deletion may come only later).
    QPointer<MakingWindow> self(this);
    const std::optional<QString> refusal = itemsRefusal();
    if (refusal) {
        widgets::messageBox(widgets::toText(*refusal), this);
        return;
    }
    WebPage& page = globalWebPage();

    g_lastBindingResult = page.Bind(std::nullopt, win::handleOf(m_browser)) ? 1 : 0;
    if (g_lastBindingResult != 1)
        return;
    if (gone(self))
        return;

    std::array<Text, kItemCount> values;
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = widgets::toText(m_items[i]->text());
    for (std::size_t i = 0; i < values.size(); ++i)
        page.SetFieldValue(Text::fromUtf8(kFieldIds[i]), 0, values[i]);
    // What the address gives before this make (often an error page): the wait below ends when
    // it gives a different picture.
    const Text address = imageAddress() + "bg/"_t + values[0] + ".gif"_t;
    const std::string before = widgets::windowFetch(this, address, windowFetchOptions());
    if (gone(self))
        return;
    const bool clicked = page.ClickButton("btnmake"_t, 1);
    if (gone(self))
        return;
    if (!clicked) {
        // The result page of an earlier make, an error page: nothing was made, so nothing new
        // will come. The chosen template's page again makes the next press work.
        widgets::messageBox("制作页面还没有准备好，正在重新打开，请稍后再点“立即制作”。"_t, this);
        if (!gone(self))
            navigate(m_pageAddress);
        return;
    }

    widgets::messageBox("请等待20~30秒......直到右侧出现图片后再操作"_t, "Ulvane提示您！"_t, this);
    if (gone(self))
        return;
    std::string bytes;
    {
        Countdown countdown(this, kMakeWaitMs);
        bytes = waitForPicture(address, before, m_waits.back());
    }
    if (gone(self))
        return;
    // Not the finished picture (an error page, nothing at all): saying "done" and offering to
    // save it would only give the user a broken file. The earlier picture, if any, stays.
    if (!isPicture(bytes)) {
        widgets::messageBox("图片还没有做好，请稍后再点“立即制作”。"_t, this);
        return;
    }
    m_picture->setPictureBytes(std::move(bytes));
    emit pictureShown();

    widgets::timedWait(kShowWaitMs);
    if (gone(self))
        return;
    m_saveButton->setEnabled(true);
    widgets::messageBox("可以下载图片到桌面咯"_t, this);
}

std::string MakingWindow::waitForPicture(const Text& address, const std::string& before,
                                         QDeadlineTimer deadline) {
    QPointer<MakingWindow> self(this);
    for (;;) {
        const bool last = deadline.hasExpired();
        std::string bytes = widgets::windowFetch(this, address, windowFetchOptions());
        if (gone(self))
            return {};
        if (last || (bytes != before && isPicture(bytes)))
            return bytes;
        // Unscaled: the poll interval is the site's load, not a duration a test shortens.
        QEventLoop loop;
        QTimer tick;
        tick.setSingleShot(true);
        connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
        connect(this, &MakingWindow::windowClosed, &loop, &QEventLoop::quit);
        tick.start(static_cast<int>(std::clamp<qint64>(deadline.remainingTime() + 1, 0, kPollMs)));
        if (loop.exec() < 0 || gone(self))
            return {};
    }
}

std::optional<QString> MakingWindow::itemsRefusal() const {
    // Another site has rules of its own, which it tells through its page.
    if (!makesOnBundledSite())
        return std::nullopt;
    const std::string qq = m_items[0]->text().toStdString();
    if (!skinsite::isValidQq(qq)) {
        return QStringLiteral(
                   "QQ号码“%1”不能用：皮肤站只接受5到12位数字的QQ号码。请关闭本窗口，"
                   "在主界面输入正确的QQ号码。")
            .arg(m_items[0]->text());
    }
    for (int i = 1; i < kItemCount; ++i) {
        const qsizetype length = characterCount(m_items[static_cast<std::size_t>(i)]->text());
        if (length > kItemMaxLength) {
            return QStringLiteral("%1最多%2个字，现在有%3个字，请删短后再点“立即制作”。")
                .arg(caption(i))
                .arg(kItemMaxLength)
                .arg(length);
        }
    }
    return std::nullopt;
}

void MakingWindow::showItemLengths() {
    m_hint.clear();
    for (int i = 1; i < kItemCount; ++i) {
        QLineEdit* box = m_items[static_cast<std::size_t>(i)];
        const qsizetype length = characterCount(box->text());
        const bool over = makesOnBundledSite() && length > kItemMaxLength;
        setEditColours(box, over ? Qt::red : Qt::black);
        if (over && m_hint.isEmpty()) {
            m_hint = QStringLiteral("%1最多%2个字，现在有%3个字")
                         .arg(caption(i))
                         .arg(kItemMaxLength)
                         .arg(length);
        }
    }
    updateCountdown();
}

void MakingWindow::save() {
    const Text folder = files::desktopFolder();
    const Text path = folder + "/"_t + Text::fromUtf8(kDesktopFileName);
    errno = 0;
    const bool written = !folder.empty() && files::writeFile(path, m_picture->pictureBytes());
    const int error = errno;
    if (written) {
        widgets::messageBox("下载OK啦！请注意桌面的文件！"_t, this);
        return;
    }
    const QString message =
        QStringLiteral("保存失败：无法写入桌面文件“%1”（%2）。")
            .arg(QString::fromUtf8(kDesktopFileName), writeFailureReason(folder, path, error));
    widgets::messageBox(widgets::toText(folder.empty() ? message
                                                       : message + QStringLiteral("\n位置：") +
                                                             widgets::toQString(path)),
                        this);
}

void MakingWindow::updateCountdown() {
    if (m_waits.empty()) {
        m_countdownTicker->stop();
        m_countdown->setText(m_hint);
        return;
    }
    const qint64 remaining = m_waits.back().remainingTime();
    if (remaining > 0) {
        m_countdown->setText(
            QStringLiteral("正在制作，请稍候… %1 秒").arg((remaining + 999) / 1000));
    } else {
        m_countdown->setText(QStringLiteral("正在制作，请稍候…"));
    }
}

void MakingWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!event->isAccepted())
        return;
    // Closed is no longer open, even while the deletion is still pending.
    m_closed = true;
    if (g_open == this)
        g_open = nullptr;
    emit windowClosed();
}

bool MakingWindow::gone(const QPointer<MakingWindow>& window) {
    return !window || window->m_closed;
}

int lastBindingResult() {
    return g_lastBindingResult;
}

}  // namespace quelvo::app
