// The program's own window icon, painted at start.
#include "app/appicon.h"

#include <QIcon>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <numbers>

namespace quelvo::app {
namespace {

constexpr int kSize = 48;

QPainterPath star(QPointF centre, double outer, double inner) {
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const double radius = (i % 2 == 0) ? outer : inner;
        const double angle = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        const QPointF point(centre.x() + radius * std::cos(angle),
                            centre.y() + radius * std::sin(angle));
        if (i == 0) {
            path.moveTo(point);
        } else {
            path.lineTo(point);
        }
    }
    path.closeSubpath();
    return path;
}

}  // namespace

QImage appIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 48-unit grid and scaled, so every size is painted, not resampled.
    painter.scale(size / double(kSize), size / double(kSize));

    QLinearGradient tile(0, 0, kSize, kSize);
    tile.setColorAt(0.0, QColor(0x8e, 0xc0, 0xf7));
    tile.setColorAt(1.0, QColor(0xf0, 0x8b, 0xb8));
    painter.setPen(QPen(QColor(0x4a, 0x88, 0xd8), 1.5));
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(1.5, 1.5, kSize - 3, kSize - 3), 10, 10);

    // A soft sheen across the top half, like a glazed skin.
    QLinearGradient sheen(0, 0, 0, kSize / 2);
    sheen.setColorAt(0.0, QColor(255, 255, 255, 120));
    sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sheen);
    painter.drawRoundedRect(QRectF(4, 3, kSize - 8, kSize / 2 - 2), 8, 8);

    painter.setPen(QPen(QColor(0xc2, 0x44, 0x7a), 1.2));
    painter.setBrush(Qt::white);
    painter.drawPath(star(QPointF(kSize / 2.0, kSize / 2.0 + 1.5), 17, 7.5));

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf4, 0x9a, 0xc1));
    painter.drawEllipse(QPointF(kSize / 2.0, kSize / 2.0 + 2), 3.2, 3.2);
    painter.end();
    return image;
}

QIcon appIcon() {
    return QIcon(QPixmap::fromImage(appIconImage(kSize)));
}

}  // namespace quelvo::app
