// A GoogleTest fixture with a real browser control on real pages served over loopback.
#pragma once

#include <gtest/gtest.h>

#include <QUrl>
#include <QWidget>

#include <memory>
#include <string>

#include "platform/browser/automationpage.h"
#include "platform/browser/browsercontrol.h"
#include "platform/dom/dom.h"
#include "platform/windows/handles.h"
#include "support/loopbackserver.h"

namespace quelvo::test {

class BrowserTest : public ::testing::Test {
protected:
    // `module` names the folder tests/<module>/fixtures that is served.
    explicit BrowserTest(const std::string& module) : m_server(fixturesDir(module)) {}

    void SetUp() override {
        m_host = std::make_unique<QWidget>();
        m_host->resize(800, 600);
        m_browser = new BrowserControl(m_host.get());
        m_browser->resize(800, 600);
        m_browser->page()->setDialogPolicy(PageDialogPolicy::AnswerOk);
        m_browser->page()->setDialogReporter([this](const QString& kind, const QString& text) {
            dialogs.push_back((kind + ":" + text).toStdString());
        });
        // A script error in a fixture is a fault of the test page or of what we did to it.
        m_browser->page()->setConsoleSink(
            [this](int level, const QString& message, int line, const QString& source) {
                if (level == 2 && failOnConsoleErrors) {
                    ADD_FAILURE() << "page error: " << message.toStdString() << " at "
                                  << source.toStdString() << ":" << line;
                }
            });
        m_host->show();
    }

    void TearDown() override { m_host.reset(); }

    bool load(const std::string& path) {
        return m_browser->load(QUrl(QString::fromStdString(m_server.url("/" + path))));
    }

    // The document of the browser, as a binding by window would take it.
    dom::Ref document() {
        const win::UINT msg = win::RegisterWindowMessageA("WM_HTML_GETOBJECT");
        win::WPARAM token = 0;
        win::SendMessageTimeoutA(m_browser->documentWindow(), msg, 0, 0, win::SMTO_ABORTIFHUNG,
                                 1000, &token);
        dom::Ref doc;
        win::ObjectFromLresult(static_cast<win::LRESULT>(token), win::IID_IHTMLDocument, 0, &doc);
        return doc;
    }

    dom::Ref byId(const dom::Ref& doc, const char* id) {
        return dom::getObject(doc, "getElementById", {Text(id)});
    }

    std::string title() { return m_browser->page()->title().toStdString(); }

    LoopbackServer m_server;
    std::unique_ptr<QWidget> m_host;
    BrowserControl* m_browser = nullptr;
    std::vector<std::string> dialogs;
    bool failOnConsoleErrors = true;
};

}  // namespace quelvo::test
