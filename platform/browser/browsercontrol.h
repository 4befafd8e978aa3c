// The embedded browser control: a host window whose document window answers "WM_HTML_GETOBJECT".
#pragma once

#include <QUrl>
#include <QWidget>

#include <memory>

#include "platform/windows/windows.h"

class QWebEngineView;

namespace quelvo {

namespace dom {
class Channel;
}
class AutomationPage;

class BrowserControl : public QWidget {
    Q_OBJECT
public:
    explicit BrowserControl(QWidget* parent = nullptr);
    ~BrowserControl() override;

    void navigate(const QUrl& url);
    // Loads `url` and waits (handling events) until it has loaded; false on failure or time-out.
    bool load(const QUrl& url, int timeoutMs = 15000);

    AutomationPage* page() const { return m_page; }
    QWebEngineView* view() const { return m_view; }
    // The window of class "Internet Explorer_Server" below this host.
    win::HWND documentWindow() const;
    const std::shared_ptr<dom::Channel>& channel() const { return m_channel; }

signals:
    void loadFinished(bool ok);

private:
    QWebEngineView* m_view = nullptr;
    AutomationPage* m_page = nullptr;
    std::shared_ptr<dom::Channel> m_channel;
};

}  // namespace quelvo
