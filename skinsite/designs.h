// The 48 template designs: each has its own palette, background, pattern, motif and animation,
// drawn procedurally on a canvas of any size in design units (scaled for larger pictures).
#pragma once

#include <QColor>
#include <QRectF>
#include <QRegion>
#include <QSizeF>

class QPainter;
class QString;

namespace quelvo::skinsite {

// The previews' canvas: the gallery's picture box shape.
inline constexpr int designWidth = 312;
inline constexpr int designHeight = 232;
inline constexpr QSizeF designSize(designWidth, designHeight);
// Where the "第 N 套" badge goes, in design units.
inline constexpr QRectF titleBadge(8, 8, 84, 26);
inline constexpr int animationFrames = 6;
inline constexpr int frameDelayCs = 18;

enum class Motif { Star, Heart, Bubble, Flower, Snowflake, Diamond };
enum class Animation { Twinkle, Rise, Fall, Drift };

struct Design {
    int number = 1;
    QColor top, bottom, accent, motif, ink;
    int background = 0;  // gradient kind
    int pattern = 0;
    Motif shape = Motif::Star;
    Animation animation = Animation::Twinkle;
};

// `number` is 1..48.
Design designFor(int number);

// The still part: background, pattern, large motifs and the "第 N 套" badge, filling `canvas`
// (design units).
void paintBackground(QPainter& painter, const Design& design, const QString& fontFamily,
                     QSizeF canvas = designSize);

// The moving part for `frame` (0 .. animationFrames - 1) over `canvas`; nothing is drawn inside
// `avoid` (design units).
void paintSparkles(QPainter& painter, const Design& design, int frame, const QRegion& avoid = {},
                   QSizeF canvas = designSize);

}  // namespace quelvo::skinsite
