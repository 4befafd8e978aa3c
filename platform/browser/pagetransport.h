// Round trips to the bridge of one page: runJavaScript in the isolated world, waited for in a
// nested event loop that takes no user input and gives up after a time-out.
#pragma once

#include <QPointer>

#include "platform/browser/automationpage.h"
#include "platform/dom/channel.h"

namespace quelvo {

class PageTransport : public dom::Transport {
public:
    explicit PageTransport(AutomationPage* page) : m_page(page) {}
    std::optional<std::string> roundTrip(const std::string& request, int timeoutMs) override;
    bool timedOut() const override { return m_timedOut; }

private:
    std::optional<QString> runOnce(const QString& script, int timeoutMs);

    QPointer<AutomationPage> m_page;
    bool m_timedOut = false;
};

}  // namespace quelvo
