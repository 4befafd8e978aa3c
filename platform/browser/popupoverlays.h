// The popup boxes of one page, drawn as frameless views over its browser view: each holds the box's
// own document, outside the page and out of reach of its scripts and queries.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <map>

class QWebEngineView;
class QWebEnginePage;

namespace quelvo {

class PopupOverlays : public QObject {
    Q_OBJECT
public:
    // `page` is the page whose boxes these are; the views go over the view that shows it.
    explicit PopupOverlays(QWebEnginePage* page);
    ~PopupOverlays() override;

    // Applies the bridge's list of changes: boxes shown, moved, refilled, hidden or gone.
    void apply(const QString& changes);
    // Every box goes (the document that made them is gone).
    void clear();

private:
    struct Box {
        QPointer<QWebEngineView> view;
        QString html;
    };
    QWebEngineView* makeView();

    QWebEnginePage* m_page;
    std::map<qint64, Box> m_boxes;
};

}  // namespace quelvo
