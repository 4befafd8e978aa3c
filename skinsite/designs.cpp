// Procedural template designs. Everything is derived from the template number through a fixed
// pseudo-random sequence, so a design looks the same every time it is drawn.
#include "skinsite/designs.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRegion>
#include <QString>
#include <QtMath>

#include <algorithm>
#include <array>
#include <cstdint>

namespace quelvo::skinsite {

namespace {

struct PaletteEntry {
    QRgb top, bottom, accent, motif, ink;
};

// top and bottom of the background, pattern accent, motif colour, badge ink
constexpr std::array<PaletteEntry, 12> palettes = {{
    {0xffffd1dc, 0xffff8fb1, 0xffffffff, 0xffff4d88, 0xffffffff},  // pink
    {0xffcfefff, 0xff5bb8f5, 0xffffffff, 0xffffffff, 0xff1d5f8c},  // sky
    {0xffd8fff0, 0xff5fd3a8, 0xffffffff, 0xff1e9e72, 0xffffffff},  // mint
    {0xffefe3ff, 0xffa98be8, 0xffffffff, 0xfffff2a8, 0xff4b2a8a},  // lavender
    {0xffffe7cc, 0xffffa468, 0xffffffff, 0xffff6a3d, 0xffffffff},  // peach
    {0xfffffbd0, 0xffffd84d, 0xffffffff, 0xffff9f1c, 0xff7a4a00},  // lemon
    {0xff1b2a59, 0xff060b1f, 0xff6b7fd6, 0xfffff6b0, 0xff1b2a59},  // night
    {0xffffd6cc, 0xffff6f61, 0xffffffff, 0xffffffff, 0xffc0392b},  // coral
    {0xffc9f4f2, 0xff1d9a9a, 0xffffffff, 0xffe0fffd, 0xff0d5c5c},  // teal
    {0xff3a1c5c, 0xff8a3ab9, 0xffd59cff, 0xffffd6ff, 0xff3a1c5c},  // violet
    {0xfff7e1d7, 0xffc98f7a, 0xffffffff, 0xfffff5ee, 0xff7a4a3a},  // rose gold
    {0xffdff5d0, 0xff4c9a4a, 0xffffffff, 0xfffffbe0, 0xff2f6b2d},  // forest
}};

// A small deterministic generator (the standard distributions differ between libraries).
class Sequence {
public:
    explicit Sequence(std::uint32_t seed) : m_state(seed * 2654435761u + 0x9e3779b9u) {}
    double next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return (m_state & 0xffffff) / double(0x1000000);
    }
    double between(double lo, double hi) { return lo + (hi - lo) * next(); }

private:
    std::uint32_t m_state;
};

QPainterPath starPath(QPointF c, double r, int points = 5, double inner = 0.45) {
    QPainterPath path;
    for (int k = 0; k < points * 2; ++k) {
        double radius = (k % 2) ? r * inner : r;
        double angle = -M_PI / 2 + k * M_PI / points;
        QPointF p(c.x() + radius * std::cos(angle), c.y() + radius * std::sin(angle));
        if (k == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    path.closeSubpath();
    return path;
}

QPainterPath heartPath(QPointF c, double r) {
    QPainterPath path;
    path.moveTo(c.x(), c.y() + r);
    path.cubicTo(c.x() - r * 1.4, c.y() + r * 0.1, c.x() - r * 0.9, c.y() - r * 1.1, c.x(),
                 c.y() - r * 0.35);
    path.cubicTo(c.x() + r * 0.9, c.y() - r * 1.1, c.x() + r * 1.4, c.y() + r * 0.1, c.x(),
                 c.y() + r);
    return path;
}

QPainterPath flowerPath(QPointF c, double r) {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (int k = 0; k < 5; ++k) {
        double angle = k * 2 * M_PI / 5;
        QPointF p(c.x() + r * 0.5 * std::cos(angle), c.y() + r * 0.5 * std::sin(angle));
        path.addEllipse(p, r * 0.45, r * 0.45);
    }
    return path;
}

QPainterPath diamondPath(QPointF c, double r) {
    QPainterPath path;
    path.moveTo(c.x(), c.y() - r);
    path.lineTo(c.x() + r * 0.7, c.y());
    path.lineTo(c.x(), c.y() + r);
    path.lineTo(c.x() - r * 0.7, c.y());
    path.closeSubpath();
    return path;
}

void paintMotif(QPainter& p, Motif shape, QPointF c, double r, QColor colour) {
    p.save();
    switch (shape) {
        case Motif::Star:
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawPath(starPath(c, r));
            break;
        case Motif::Heart:
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawPath(heartPath(c, r));
            break;
        case Motif::Bubble: {
            QColor fill = colour;
            fill.setAlphaF(fill.alphaF() * 0.25);
            p.setPen(QPen(colour, std::max(1.0, r * 0.12)));
            p.setBrush(fill);
            p.drawEllipse(c, r, r);
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawEllipse(QPointF(c.x() - r * 0.4, c.y() - r * 0.4), r * 0.18, r * 0.18);
            break;
        }
        case Motif::Flower: {
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawPath(flowerPath(c, r));
            QColor heart(255, 220, 90, colour.alpha());
            p.setBrush(heart);
            p.drawEllipse(c, r * 0.25, r * 0.25);
            break;
        }
        case Motif::Snowflake: {
            p.setPen(QPen(colour, std::max(1.0, r * 0.12), Qt::SolidLine, Qt::RoundCap));
            for (int k = 0; k < 6; ++k) {
                double a = k * M_PI / 3;
                QPointF tip(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
                p.drawLine(c, tip);
                QPointF mid(c.x() + r * 0.6 * std::cos(a), c.y() + r * 0.6 * std::sin(a));
                for (double side : {-0.6, 0.6}) {
                    double b = a + side;
                    p.drawLine(mid, QPointF(mid.x() + r * 0.3 * std::cos(b),
                                            mid.y() + r * 0.3 * std::sin(b)));
                }
            }
            break;
        }
        case Motif::Diamond:
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawPath(diamondPath(c, r));
            break;
    }
    p.restore();
}

void paintPattern(QPainter& p, const Design& d, QSizeF canvas) {
    QColor ink = d.accent;
    ink.setAlpha(46);
    p.save();
    p.setPen(QPen(ink, 3));
    p.setBrush(Qt::NoBrush);
    const double w = canvas.width(), h = canvas.height();
    switch (d.pattern) {
        case 0:  // diagonal stripes
            for (double x = -h; x < w; x += 22)
                p.drawLine(QPointF(x, h), QPointF(x + h, 0));
            break;
        case 1:  // polka dots
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            for (double y = 10, row = 0; y < h; y += 24, ++row) {
                for (double x = (int(row) % 2) ? 22 : 10; x < w; x += 24) {
                    p.drawEllipse(QPointF(x, y), 4, 4);
                }
            }
            break;
        case 2:  // checks
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            for (int y = 0; y * 26 < h; ++y) {
                for (int x = 0; x * 26 < w; ++x) {
                    if ((x + y) % 2 == 0)
                        p.drawRect(QRectF(x * 26, y * 26, 26, 26));
                }
            }
            break;
        case 3:  // waves
            for (double y = 12; y < h; y += 20) {
                QPainterPath wave;
                wave.moveTo(0, y);
                for (double x = 0; x <= w; x += 4)
                    wave.lineTo(x, y + 5 * std::sin(x / 14.0));
                p.drawPath(wave);
            }
            break;
        case 4:  // rings
            // Far enough to reach the lower corner of a portrait canvas too; a landscape one
            // gets the rings it always had.
            for (double r = 16; r < std::max(w, h * 1.1); r += 18)
                p.drawEllipse(QPointF(w * 0.85, h * 0.15), r, r);
            break;
        default:  // rays
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            for (int k = 0; k < 18; k += 2) {
                QPainterPath ray;
                QPointF c(w / 2, h + 20);
                ray.moveTo(c);
                for (int e : {k, k + 1}) {
                    double a = M_PI + e * M_PI / 18;
                    ray.lineTo(c.x() + 500 * std::cos(a), c.y() + 500 * std::sin(a));
                }
                ray.closeSubpath();
                p.drawPath(ray);
            }
            break;
    }
    p.restore();
}

}  // namespace

Design designFor(int number) {
    const int i = number - 1;
    const PaletteEntry& entry = palettes[static_cast<std::size_t>(i % 12)];
    Design d;
    d.number = number;
    d.top = QColor::fromRgb(entry.top);
    d.bottom = QColor::fromRgb(entry.bottom);
    d.accent = QColor::fromRgb(entry.accent);
    d.motif = QColor::fromRgb(entry.motif);
    d.ink = QColor::fromRgb(entry.ink);
    // Palette and background kind together are unique for each of the 48 numbers.
    d.background = i / 12;
    d.pattern = (i + d.background) % 6;
    d.shape = static_cast<Motif>((i * 7 + d.background) % 6);
    d.animation = static_cast<Animation>((i + 2 * d.background) % 4);
    return d;
}

void paintBackground(QPainter& p, const Design& d, const QString& fontFamily, QSizeF canvas) {
    const double w = canvas.width(), h = canvas.height();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    switch (d.background) {
        case 0: {
            QLinearGradient g(0, 0, 0, h);
            g.setColorAt(0, d.top);
            g.setColorAt(1, d.bottom);
            p.fillRect(QRectF(0, 0, w, h), g);
            break;
        }
        case 1: {
            QRadialGradient g(QPointF(w * 0.25, h * 0.2), w * 0.95);
            g.setColorAt(0, d.top);
            g.setColorAt(1, d.bottom);
            p.fillRect(QRectF(0, 0, w, h), g);
            break;
        }
        case 2: {
            QLinearGradient g(0, 0, w, h);
            g.setColorAt(0, d.bottom);
            g.setColorAt(0.5, d.top);
            g.setColorAt(1, d.bottom);
            p.fillRect(QRectF(0, 0, w, h), g);
            break;
        }
        default: {
            p.fillRect(QRectF(0, 0, w, h), d.top);
            QPainterPath lower;
            lower.moveTo(0, h * 0.55);
            for (double x = 0; x <= w; x += 4)
                lower.lineTo(x, h * 0.55 + 10 * std::sin(x / 24.0));
            lower.lineTo(w, h);
            lower.lineTo(0, h);
            lower.closeSubpath();
            QLinearGradient g(0, h * 0.5, 0, h);
            g.setColorAt(0, d.bottom.lighter(115));
            g.setColorAt(1, d.bottom);
            p.fillPath(lower, g);
            break;
        }
    }
    paintPattern(p, d, canvas);

    Sequence seq(static_cast<std::uint32_t>(d.number) * 7919u);
    const int large = 4 + d.number % 3;
    for (int k = 0; k < large; ++k) {
        QColor c = d.motif;
        c.setAlpha(70 + static_cast<int>(seq.between(0, 60)));
        paintMotif(p, d.shape, QPointF(seq.between(20, w - 20), seq.between(40, h - 20)),
                   seq.between(14, 30), c);
    }

    QFont font(fontFamily);
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    const QString label = QStringLiteral("第 %1 套").arg(d.number);
    p.setPen(Qt::NoPen);
    p.setBrush(d.motif);
    p.drawRoundedRect(titleBadge, 8, 8);
    p.setPen(d.ink);
    p.drawText(titleBadge, Qt::AlignCenter, label);
    p.restore();
}

void paintSparkles(QPainter& p, const Design& d, int frame, const QRegion& avoid, QSizeF canvas) {
    const double w = canvas.width(), h = canvas.height();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    if (!avoid.isEmpty()) {
        // A region of rectangles clips much faster than a path.
        p.setClipRegion(QRegion(QRectF(QPointF(), canvas).toAlignedRect()).subtracted(avoid));
    }
    Sequence seq(static_cast<std::uint32_t>(d.number) * 104729u + 17u);
    constexpr double travel = 36;
    for (int k = 0; k < 20; ++k) {
        QPointF c(seq.between(0, w), seq.between(0, h));
        double size = seq.between(3, 7);
        double phase = std::fmod(frame / double(animationFrames) + seq.next(), 1.0);
        double glow = std::sin(M_PI * phase);  // 0 at both ends of a loop: seamless
        switch (d.animation) {
            case Animation::Twinkle:
                size *= 0.4 + 0.9 * glow;
                break;
            case Animation::Rise:
                c.ry() -= phase * travel;
                break;
            case Animation::Fall:
                c.ry() += phase * travel;
                c.rx() += 6 * std::sin(2 * M_PI * phase);
                break;
            case Animation::Drift:
                c.rx() += phase * travel;
                break;
        }
        QColor colour = d.animation == Animation::Twinkle ? QColor(255, 255, 255) : d.motif;
        colour.setAlphaF(0.25 + 0.75 * glow);
        if (d.animation == Animation::Twinkle) {
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawPath(starPath(c, size, 4, 0.3));
        } else {
            paintMotif(p, d.shape, c, size, colour);
        }
    }
    p.restore();
}

}  // namespace quelvo::skinsite
