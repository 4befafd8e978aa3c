// Closes the modal boxes and popup menus a test provokes, and records what they showed.
#pragma once

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <string>
#include <vector>

namespace quelvo::test {

struct SeenBox {
    std::string title;
    std::string text;
    int buttons = 0;  // standard buttons shown
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::WindowModality modality = Qt::NonModal;
    Qt::TextFormat format = Qt::AutoText;
};

class ModalWatcher {
public:
    ModalWatcher() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start(5);
    }

    const std::vector<SeenBox>& boxes() const { return m_boxes; }
    int menus() const { return m_menus; }

private:
    void poll() {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            ++m_menus;
            menu->close();
            return;
        }
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        SeenBox seen;
        seen.title = box->windowTitle().toStdString();
        seen.text = box->text().toStdString();
        seen.buttons = static_cast<int>(box->buttons().size());
        seen.icon = box->icon();
        seen.modality = box->windowModality();
        seen.format = box->textFormat();
        m_boxes.push_back(seen);
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
            ok->click();
        } else {
            box->reject();
        }
    }

    QTimer m_timer;
    std::vector<SeenBox> m_boxes;
    int m_menus = 0;
};

}  // namespace quelvo::test
