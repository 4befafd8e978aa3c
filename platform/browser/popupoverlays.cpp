#include "platform/browser/popupoverlays.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace quelvo {
namespace {

// A box shows what it was given and goes nowhere: no scripts, no links followed.
class BoxPage : public QWebEnginePage {
public:
    BoxPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {
        settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        settings()->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    }

protected:
    bool acceptNavigationRequest(const QUrl&, NavigationType type, bool) override {
        return type == NavigationTypeTyped || type == NavigationTypeOther;
    }
};

// The page's number, bounded to what a widget's geometry takes.
int pixels(const QJsonValue& value) {
    const double d = value.toDouble();
    if (!(d > -1e6))
        return -1000000;
    return d < 1e6 ? static_cast<int>(d) : 1000000;
}

}  // namespace

PopupOverlays::PopupOverlays(QWebEnginePage* page) : QObject(page), m_page(page) {}

PopupOverlays::~PopupOverlays() {
    clear();
}

QWebEngineView* PopupOverlays::makeView() {
    QWebEngineView* shown = QWebEngineView::forPage(m_page);
    if (!shown)
        return nullptr;
    QWidget* parent = shown->parentWidget() ? shown->parentWidget() : shown;
    auto* view = new QWebEngineView(parent);
    view->setObjectName("quelvo-popup");
    view->setPage(new BoxPage(m_page->profile(), view));
    view->setContextMenuPolicy(Qt::NoContextMenu);
    view->setFocusPolicy(Qt::NoFocus);
    return view;
}

void PopupOverlays::apply(const QString& changes) {
    const QJsonArray list = QJsonDocument::fromJson(changes.toUtf8()).array();
    for (const QJsonValue& item : list) {
        const QJsonObject change = item.toObject();
        const qint64 id = change.value("i").toInteger(-1);
        if (id < 0)
            continue;
        if (change.value("gone").toBool()) {
            auto it = m_boxes.find(id);
            if (it != m_boxes.end()) {
                delete it->second.view.data();
                m_boxes.erase(it);
            }
            continue;
        }
        Box& box = m_boxes[id];
        if (!change.value("open").toBool()) {
            if (box.view)
                box.view->hide();
            continue;
        }
        if (!box.view)
            box.view = makeView();
        if (!box.view)
            continue;
        const QString html = change.value("html").toString();
        if (html != box.html) {
            box.html = html;
            box.view->setHtml(html, m_page->url());
        }
        QWebEngineView* shown = QWebEngineView::forPage(m_page);
        const QPoint origin =
            shown && box.view->parentWidget() != shown ? shown->geometry().topLeft() : QPoint();
        box.view->setGeometry(
            origin.x() + pixels(change.value("x")), origin.y() + pixels(change.value("y")),
            std::max(0, pixels(change.value("w"))), std::max(0, pixels(change.value("h"))));
        box.view->show();
        box.view->raise();
    }
}

void PopupOverlays::clear() {
    // Never called from a box's own events: each can go at once.
    for (auto& [id, box] : m_boxes)
        delete box.view.data();
    m_boxes.clear();
}

}  // namespace quelvo
