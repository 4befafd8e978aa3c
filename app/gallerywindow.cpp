// The gallery window: pages through the skin site's template previews and starts the making
// window on the chosen template.
#include "app/gallerywindow.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <cstdint>
#include <string>
#include <utility>

#include "app/editcolours.h"
#include "app/makingwindow.h"
#include "app/siteaddresses.h"
#include "app/windowplace.h"
#include "common/numbers.h"
#include "platform/widgets/picturebox.h"
#include "platform/widgets/qttext.h"
#include "platform/widgets/windowfetch.h"

namespace quelvo::app {
namespace {

// Both paging buttons compare the real value with this much slack.
constexpr double kTolerance = 0.0000001;

QLabel* largeLabel(const char* name, const QString& text, const QRect& place, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setGeometry(place);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont font = label->font();
    font.setPixelSize(29);
    label->setFont(font);
    return label;
}

QPushButton* button(const char* name, const QString& caption, const QRect& place, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromUtf8(name));
    b->setGeometry(place);
    b->setFocusPolicy(Qt::StrongFocus);
    return b;
}

}  // namespace

GalleryWindow::GalleryWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setFixedToolWindowFrame(this);
    setWindowTitle(QString());
    setFixedSize(kClientWidth, kClientHeight);

    m_picture = new PictureBox(this);
    m_picture->setObjectName(QStringLiteral("图片框1"));
    m_picture->setGeometry(8, 8, 624, 464);
    m_picture->setBorder(PictureBox::Border::None);
    m_picture->setStretch(true);

    m_previousButton = button("按钮2", QStringLiteral("上一张"), {40, 472, 112, 40}, this);
    m_before = largeLabel("透明标签1", QStringLiteral("第："), {160, 480, 96, 60}, this);

    m_numberBox = new QLineEdit(QStringLiteral("48"), this);
    m_numberBox->setObjectName(QStringLiteral("编辑框1"));
    m_numberBox->setGeometry(200, 480, 32, 32);
    m_numberBox->setAlignment(Qt::AlignCenter);
    m_numberBox->setFocusPolicy(Qt::StrongFocus);
    setEditColours(m_numberBox, Qt::red);
    QFont font = m_numberBox->font();
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(21);
    m_numberBox->setFont(font);
    // A raised border, and no padding: the box is only 32 pixels wide.
    m_numberBox->setStyleSheet(
        QStringLiteral("QLineEdit { border: 2px outset #b8cce4; border-radius: 0px; padding: 0px;"
                       " color: #ff0000; background-color: #ffffff; }"));

    m_after = largeLabel("透明标签2", QStringLiteral("张皮肤"), {232, 480, 96, 60}, this);
    m_nextButton = button("按钮1", QStringLiteral("下一张"), {320, 472, 112, 40}, this);
    m_startButton = button("按钮3", QStringLiteral("开始制作"), {464, 480, 80, 32}, this);

    connect(m_previousButton, &QPushButton::clicked, this, &GalleryWindow::showPrevious);
    connect(m_nextButton, &QPushButton::clicked, this, &GalleryWindow::showNext);
    connect(m_startButton, &QPushButton::clicked, this, &GalleryWindow::startMaking);

    // Created: template 48; the box already holds "48".
    showPreview();
}

GalleryWindow::~GalleryWindow() = default;

void GalleryWindow::openModal(QWidget* owner) {
    QPointer<GalleryWindow> gallery = new GalleryWindow();
    gallery->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<QWidget> guardedOwner = owner;
    QEventLoop loop;
    bool finished = false;
    // The owner takes input again as soon as the gallery closes, even when the loop can only
    // return later (a make waiting inside it).
    auto finish = [&] {
        if (finished)
            return;
        finished = true;
        if (guardedOwner)
            guardedOwner->setEnabled(true);
        loop.quit();
    };
    connect(gallery, &GalleryWindow::closed, &loop, finish);
    connect(gallery, &QObject::destroyed, &loop, finish);

    // Not Qt's modality: that would block the making window as well.
    if (owner)
        owner->setEnabled(false);
    centreOnScreen(gallery);
    gallery->show();
    gallery->raise();
    gallery->activateWindow();
    loop.exec();
    finish();
    // Still there when the program quits with the gallery open.
    delete gallery.data();
}

Text GalleryWindow::numberText() const {
    return widgets::toText(m_numberBox->text());
}

void GalleryWindow::showPrevious() {
    const Text text = numberText();
    if (realValue(text) - 1 > kTolerance) {
        m_numberBox->setText(widgets::toQString(
            quelvo::numberText(static_cast<double>(std::int64_t{textToInteger(text)} - 1))));
    } else {
        m_numberBox->setText(QString::number(kTemplateCount));
    }
    showPreview();
}

void GalleryWindow::showNext() {
    const Text text = numberText();
    if (realValue(text) - kTemplateCount >= -kTolerance) {
        m_numberBox->setText(QStringLiteral("1"));
    } else {
        m_numberBox->setText(widgets::toQString(
            quelvo::numberText(static_cast<double>(std::int64_t{textToInteger(text)} + 1))));
    }
    showPreview();
}

void GalleryWindow::startMaking() {
    MakingWindow* making = MakingWindow::open();
    making->navigate(mainAddress() + numberText() + ".html"_t);
}

void GalleryWindow::showPreview() {
    const Text address = mainAddress() + "img/pifu/bg"_t + numberText() + ".gif"_t;
    const QPointer<GalleryWindow> self(this);
    std::string bytes = widgets::windowFetch(this, address, windowFetchOptions());
    if (self)
        m_picture->setPictureBytes(std::move(bytes));
}

void GalleryWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

}  // namespace quelvo::app
