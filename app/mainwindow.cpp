// The main window: the QQ number box and the button that leads on to the gallery.
#include "app/mainwindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

#include "app/appicon.h"
#include "app/carriedfiles.h"
#include "app/clearinglineedit.h"
#include "app/editcolours.h"
#include "app/gallerywindow.h"
#include "platform/widgets/messagebox.h"
#include "platform/widgets/qttext.h"

namespace quelvo::app {
namespace {

QPointer<MainWindow> g_instance;

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Quelvo"));
    setWindowIcon(appIcon());
    setFixedSize(kClientWidth, kClientHeight);

    m_qqBox = new ClearingLineEdit(this);
    m_qqBox->setObjectName(QStringLiteral("编辑框1"));
    m_qqBox->setGeometry(0, 8, 232, 40);
    m_qqBox->setText(QStringLiteral("输入制作的QQ"));
    m_qqBox->setFrame(true);
    setEditColours(m_qqBox, Qt::red);
    QFont font = m_qqBox->font();
    font.setPixelSize(29);
    m_qqBox->setFont(font);
    m_qqBox->setFocusPolicy(Qt::StrongFocus);

    m_enterButton = new QPushButton(QStringLiteral("进入制作界面"), this);
    m_enterButton->setObjectName(QStringLiteral("按钮1"));
    m_enterButton->setGeometry(248, 16, 80, 32);
    m_enterButton->setFocusPolicy(Qt::StrongFocus);
    connect(m_enterButton, &QPushButton::clicked, this, &MainWindow::enter);
    setTabOrder(m_qqBox, m_enterButton);

    m_openGallery = [this] { openGalleryWindow(); };
    g_instance = this;
}

MainWindow::~MainWindow() = default;

std::unique_ptr<MainWindow> MainWindow::load() {
    auto window = std::make_unique<MainWindow>();
    installCarriedFiles(".");
    if (QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    return window;
}

MainWindow* MainWindow::instance() {
    return g_instance.data();
}

Text MainWindow::qqText() const {
    return widgets::toText(m_qqBox->text());
}

void MainWindow::enter() {
    const Text text = qqText();
    // The first byte as a signed 8-bit number: a Chinese character's lead byte is negative.
    const auto first = static_cast<signed char>(text.empty() ? 0 : text.bytes().front());
    if (first < '1' || first > '9') {
        widgets::messageBox("请输入正确的QQ号码！"_t, this);
        return;
    }
    if (m_openGallery)
        m_openGallery();
}

void MainWindow::openGalleryWindow() {
    // No parent window; this window is disabled until the gallery closes.
    GalleryWindow::openModal(this);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Qt lets a close request through to a disabled window that no modal window blocks. Only the
    // open gallery disables this window (GalleryWindow::openModal).
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

}  // namespace quelvo::app
