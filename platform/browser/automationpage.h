// The web page of a browser control: carries the bridge into every frame and shows or answers the
// page's dialogs.
#pragma once

#include <QElapsedTimer>
#include <QWebEnginePage>

#include <functional>

namespace quelvo {

class PopupOverlays;

enum class PageDialogPolicy {
    Show,      // message boxes the user answers
    AnswerOk,  // answered at once as if OK was pressed, and reported
};

class AutomationPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit AutomationPage(QObject* parent = nullptr);

    void setDialogPolicy(PageDialogPolicy policy) { m_policy = policy; }
    // Told of every page dialog: its kind ("alert", "confirm", "prompt") and text. Once a storm
    // is blocked, told once more with kind "blocked" and then no longer until the page navigates.
    void setDialogReporter(std::function<void(const QString&, const QString&)> reporter) {
        m_reporter = std::move(reporter);
    }
    void setConsoleSink(
        std::function<void(int level, const QString& message, int line, const QString& source)>
            sink) {
        m_console = std::move(sink);
    }

    // Calls waiting on the page do not time out while one of its dialogs is open.
    bool dialogOpen() const { return m_dialogDepth > 0; }
    // The renderer is gone (crashed or killed) until the next load starts.
    bool rendererGone() const { return m_rendererGone; }
    // A loaded document: set when a load finishes, cleared when the next one starts.
    bool hasDocument() const { return m_hasDocument; }
    // Applies what the bridge reports of the document's popup boxes.
    void showPopupChanges(const QString& changes);
    // Dialogs of this page are answered at once without being shown, until it navigates.
    bool dialogsBlocked() const { return m_dialogsBlocked; }

    // Dialogs that come this soon after the previous one closed belong to one storm; from the
    // third of a storm on, the user may block the rest (answering OK blocks them by itself).
    static constexpr int kStormGapMs = 3000;
    static constexpr int kStormLength = 3;

signals:
    void callsAborted();

protected:
    void javaScriptAlert(const QUrl& origin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& origin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& origin, const QString& msg, const QString& defaultValue,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString& source) override;

private:
    class DialogScope;
    QWidget* dialogParent() const;
    // Counts the dialog into the current storm and tells the reporter; false when it is blocked
    // and gets the blocked answer.
    bool admitDialog(const QString& kind, const QString& msg);
    bool stormOffersBlock() const { return m_stormCount >= kStormLength; }
    void resetDialogs();
    // A message box with the page's text; true when OK closed it.
    bool showBox(const QString& msg, bool withCancel);

    PageDialogPolicy m_policy = PageDialogPolicy::Show;
    std::function<void(const QString&, const QString&)> m_reporter;
    std::function<void(int, const QString&, int, const QString&)> m_console;
    int m_dialogDepth = 0;
    int m_stormCount = 0;
    QElapsedTimer m_sinceDialog;  // since the last dialog closed
    bool m_dialogsBlocked = false;
    bool m_rendererGone = false;
    bool m_hasDocument = false;
    PopupOverlays* m_popups = nullptr;
};

// The bridge's scripts, in the order they are injected.
QString bridgeSource();

}  // namespace quelvo
