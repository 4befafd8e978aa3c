// An edit box that empties itself on a mouse press, release or double-click (left or right).
#include "app/clearinglineedit.h"

#include <QMouseEvent>

namespace quelvo::app {
namespace {

bool clears(const QMouseEvent* event) {
    return event->button() == Qt::LeftButton || event->button() == Qt::RightButton;
}

}  // namespace

ClearingLineEdit::ClearingLineEdit(QWidget* parent) : QLineEdit(parent) {}

void ClearingLineEdit::mousePressEvent(QMouseEvent* event) {
    if (clears(event))
        clear();
    QLineEdit::mousePressEvent(event);
}

void ClearingLineEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (clears(event))
        clear();
    QLineEdit::mouseReleaseEvent(event);
}

void ClearingLineEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    if (clears(event))
        clear();
    QLineEdit::mouseDoubleClickEvent(event);
}

}  // namespace quelvo::app
