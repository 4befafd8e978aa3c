// The edit boxes of the layouts: coloured text on white.
#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace quelvo::app {

inline void setEditColours(QWidget* box, const QColor& text) {
    QPalette palette = box->palette();
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Base, Qt::white);
    box->setPalette(palette);
}

}  // namespace quelvo::app
