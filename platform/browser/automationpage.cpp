#include "platform/browser/automationpage.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

#include "platform/browser/popupoverlays.h"

namespace quelvo {

class AutomationPage::DialogScope {
public:
    explicit DialogScope(AutomationPage* page) : m_page(page) { ++m_page->m_dialogDepth; }
    ~DialogScope() {
        --m_page->m_dialogDepth;
        m_page->m_sinceDialog.start();
    }

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

    // The boxes belong to the document that made them.
    m_popups = new PopupOverlays(this);
    // The document of a page being left is not the one a caller asked for: a binding made now
    // would act on the old page, so there is none until the new one has loaded.
    connect(this, &QWebEnginePage::loadStarted, this, [this] {
        m_rendererGone = false;
        m_hasDocument = false;
        m_popups->clear();
        resetDialogs();
    });
    connect(this, &QWebEnginePage::loadFinished, this, [this] { m_hasDocument = true; });
    connect(this, &QWebEnginePage::renderProcessTerminated, this, [this] {
        m_rendererGone = true;
        emit callsAborted();
    });
}

void AutomationPage::showPopupChanges(const QString& changes) {
    m_popups->apply(changes);
}

QWidget* AutomationPage::dialogParent() const {
    QWidget* view = QWebEngineView::forPage(this);
    return view ? view->window() : nullptr;
}

void AutomationPage::resetDialogs() {
    m_dialogsBlocked = false;
    m_stormCount = 0;
    m_sinceDialog.invalidate();
}

bool AutomationPage::admitDialog(const QString& kind, const QString& msg) {
    if (m_dialogsBlocked)
        return false;
    const bool soon = m_sinceDialog.isValid() && m_sinceDialog.elapsed() < kStormGapMs;
    m_stormCount = soon ? m_stormCount + 1 : 1;
    // Nobody reads boxes answered by themselves: past the storm's offer they are blocked, so a
    // page cannot flood the reporter.
    if (m_policy == PageDialogPolicy::AnswerOk && m_stormCount > kStormLength) {
        m_dialogsBlocked = true;
        if (m_reporter)
            m_reporter("blocked", msg);
        return false;
    }
    if (m_reporter)
        m_reporter(kind, msg);
    return true;
}

namespace {

QCheckBox* blockOffer(QWidget* parent) {
    auto* offer = new QCheckBox(AutomationPage::tr("阻止此网页再显示对话框"), parent);
    offer->setObjectName("blockDialogs");
    return offer;
}

}  // namespace

bool AutomationPage::showBox(const QString& msg, bool withCancel) {
    QMessageBox box(QMessageBox::NoIcon, tr("网页消息"), msg,
                    withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
                    dialogParent());
    // Page texts are shown as characters: markup and pictures in them are never drawn.
    box.setTextFormat(Qt::PlainText);
    if (stormOffersBlock())
        box.setCheckBox(blockOffer(&box));
    const bool ok = box.exec() == QMessageBox::Ok;
    if (box.checkBox() && box.checkBox()->isChecked())
        m_dialogsBlocked = true;
    return ok;
}

void AutomationPage::javaScriptAlert(const QUrl&, const QString& msg) {
    DialogScope scope(this);
    if (!admitDialog("alert", msg) || m_policy == PageDialogPolicy::AnswerOk)
        return;
    showBox(msg, false);
}

bool AutomationPage::javaScriptConfirm(const QUrl&, const QString& msg) {
    DialogScope scope(this);
    if (!admitDialog("confirm", msg))
        return m_policy == PageDialogPolicy::AnswerOk;  // a blocked question is declined
    if (m_policy == PageDialogPolicy::AnswerOk)
        return true;
    return showBox(msg, true);
}

bool AutomationPage::javaScriptPrompt(const QUrl&, const QString& msg, const QString& defaultValue,
                                      QString* result) {
    DialogScope scope(this);
    const bool admitted = admitDialog("prompt", msg);
    if (m_policy == PageDialogPolicy::AnswerOk) {
        *result = defaultValue;
        return true;
    }
    if (!admitted)
        return false;

    QDialog dialog(dialogParent());
    dialog.setWindowTitle(tr("网页消息"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(msg, &dialog);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    auto* edit = new QLineEdit(defaultValue, &dialog);
    layout->addWidget(label);
    layout->addWidget(edit);
    QCheckBox* offer = stormOffersBlock() ? blockOffer(&dialog) : nullptr;
    if (offer)
        layout->addWidget(offer);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    const bool ok = dialog.exec() == QDialog::Accepted;
    if (offer && offer->isChecked())
        m_dialogsBlocked = true;
    if (ok)
        *result = edit->text();
    return ok;
}

void AutomationPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                              const QString& message, int line,
                                              const QString& source) {
    if (m_console)
        m_console(static_cast<int>(level), message, line, source);
}

}  // namespace quelvo
