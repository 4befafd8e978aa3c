#include "platform/browser/automationpage.h"

#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QMessageBox>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

namespace quelvo {

class AutomationPage::DialogScope {
public:
    explicit DialogScope(AutomationPage* page) : m_page(page) { ++m_page->m_dialogDepth; }
    ~DialogScope() { --m_page->m_dialogDepth; }

private:
    AutomationPage* m_page;
};

QString bridgeSource() {
    static const QString source = [] {
        // Helpers first (they define the globals the bridge looks for), the bridge last.
        QDir dir(":/quelvo/js");
        QStringList names = dir.entryList({"*.js"}, QDir::Files, QDir::Name);
        names.removeAll("bridge.js");
        names.append("bridge.js");
        QString all;
        for (const QString& name : names) {
            QFile file(dir.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                all += QString::fromUtf8(file.readAll()) + "\n;\n";
        }
        return all;
    }();
    return source;
}

AutomationPage::AutomationPage(QObject* parent) : QWebEnginePage(parent) {
    QWebEngineScript bridge;
    bridge.setName("quelvo-bridge");
    bridge.setSourceCode(bridgeSource());
    bridge.setInjectionPoint(QWebEngineScript::DocumentCreation);
    bridge.setWorldId(QWebEngineScript::ApplicationWorld);
    bridge.setRunsOnSubFrames(true);
    scripts().insert(bridge);

    // The document of a page being left is not the one a caller asked for: a binding made now
    // would act on the old page, so there is none until the new one has loaded.
    connect(this, &QWebEnginePage::loadStarted, this, [this] {
        m_rendererGone = false;
        m_hasDocument = false;
    });
    connect(this, &QWebEnginePage::loadFinished, this, [this] { m_hasDocument = true; });
    connect(this, &QWebEnginePage::renderProcessTerminated, this, [this] {
        m_rendererGone = true;
        emit callsAborted();
    });
}

QWidget* AutomationPage::dialogParent() const {
    QWidget* view = QWebEngineView::forPage(this);
    return view ? view->window() : nullptr;
}

void AutomationPage::javaScriptAlert(const QUrl&, const QString& msg) {
    DialogScope scope(this);
    if (m_reporter)
        m_reporter("alert", msg);
    if (m_policy == PageDialogPolicy::AnswerOk)
        return;
    QMessageBox box(QMessageBox::NoIcon, tr("网页消息"), msg, QMessageBox::Ok, dialogParent());
    box.exec();
}

bool AutomationPage::javaScriptConfirm(const QUrl&, const QString& msg) {
    DialogScope scope(this);
    if (m_reporter)
        m_reporter("confirm", msg);
    if (m_policy == PageDialogPolicy::AnswerOk)
        return true;
    QMessageBox box(QMessageBox::NoIcon, tr("网页消息"), msg, QMessageBox::Ok | QMessageBox::Cancel,
                    dialogParent());
    return box.exec() == QMessageBox::Ok;
}

bool AutomationPage::javaScriptPrompt(const QUrl&, const QString& msg, const QString& defaultValue,
                                      QString* result) {
    DialogScope scope(this);
    if (m_reporter)
        m_reporter("prompt", msg);
    if (m_policy == PageDialogPolicy::AnswerOk) {
        *result = defaultValue;
        return true;
    }
    bool ok = false;
    QString text = QInputDialog::getText(dialogParent(), tr("网页消息"), msg, QLineEdit::Normal,
                                         defaultValue, &ok);
    if (ok)
        *result = text;
    return ok;
}

void AutomationPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                              const QString& message, int line,
                                              const QString& source) {
    if (m_console)
        m_console(static_cast<int>(level), message, line, source);
}

}  // namespace quelvo
