// An edit box that empties itself on a mouse press, release or double-click (left or right).
#pragma once

#include <QLineEdit>

namespace quelvo::app {

class ClearingLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit ClearingLineEdit(QWidget* parent = nullptr);

protected:
    // Each clears the text first; the action then has its ordinary effect (focus, caret, menu).
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace quelvo::app
