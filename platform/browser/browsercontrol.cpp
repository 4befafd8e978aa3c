#include "platform/browser/browsercontrol.h"

#include <QEventLoop>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "platform/browser/automationpage.h"
#include "platform/browser/pagetransport.h"
#include "platform/dom/channel.h"
#include "platform/windows/handles.h"

namespace quelvo {
namespace {

QWidget* wrapIn(QWidget* parent, QWidget* child) {
    auto* layout = new QVBoxLayout(parent);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(child);
    return parent;
}

}  // namespace

BrowserControl::BrowserControl(QWidget* parent) : QWidget(parent) {
    auto* docObjectView = new QWidget(this);
    m_view = new QWebEngineView(docObjectView);
    m_page = new AutomationPage(m_view);
    m_view->setPage(m_page);
    m_page->settings()->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    wrapIn(docObjectView, m_view);
    wrapIn(this, docObjectView);

    win::setWindowClass(this, "Shell Embedding");
    win::setWindowClass(docObjectView, "Shell DocObject View");
    win::setWindowClass(m_view, "Internet Explorer_Server");

    m_channel = std::make_shared<dom::Channel>(std::make_unique<PageTransport>(m_page));
    const win::UINT getObject = win::RegisterWindowMessageA("WM_HTML_GETOBJECT");
    std::weak_ptr<dom::Channel> channel = m_channel;
    QPointer<AutomationPage> page = m_page;
    win::setMessageHandler(m_view,
                           [getObject, channel, page](win::UINT msg, win::WPARAM,
                                                      win::LPARAM) -> std::optional<win::LRESULT> {
                               if (msg != getObject)
                                   return std::nullopt;
                               auto live = channel.lock();
                               if (!page || !live || !page->hasDocument() || page->rendererGone())
                                   return 0;
                               return win::issueDocumentToken(live);
                           });

    connect(m_page, &QWebEnginePage::loadFinished, this, &BrowserControl::loadFinished);
}

BrowserControl::~BrowserControl() = default;

void BrowserControl::navigate(const QUrl& url) {
    m_view->setUrl(url);
}

bool BrowserControl::load(const QUrl& url, int timeoutMs) {
    QEventLoop loop;
    bool ok = false;
    bool finished = false;
    auto c = connect(m_page, &QWebEnginePage::loadFinished, &loop, [&](bool success) {
        ok = success;
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    navigate(url);
    if (!finished)
        loop.exec();
    disconnect(c);
    return ok;
}

win::HWND BrowserControl::documentWindow() const {
    return win::handleOf(m_view);
}

}  // namespace quelvo
