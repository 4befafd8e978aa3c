// Previews in the gallery's landscape shape; finished pictures in the portrait shape of the making
// window's picture box, painted at twice its size so the profile texts stay legible when shown.
#include "skinsite/renderer.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cstring>

#include "skinsite/designs.h"
#include "skinsite/formcheck.h"
#include "skinsite/gifencoder.h"

namespace quelvo::skinsite {

namespace {

constexpr int finishedScale = 2;
// The making window's picture box, in design units.
constexpr QSizeF finishedCanvas(232, 320);
// Where the profile items go, below the title badge; sparkles keep out of both.
const QRectF profilePanel(8, 42, 216, 270);

// Each frame is the still picture with that frame's sparkles on top.
std::string animate(const QImage& still, const Design& design, int scale, QSizeF canvas,
                    const QRegion& avoid) {
    return encodeGif(
        still.size(), animationFrames,
        [&](int index, QImage& frame) {
            std::memcpy(frame.bits(), still.constBits(),
                        static_cast<std::size_t>(still.sizeInBytes()));
            QPainter p(&frame);
            p.scale(scale, scale);
            paintSparkles(p, design, index, avoid, canvas);
        },
        frameDelayCs);
}

void paintProfile(QPainter& p, const Design& design, const MakeRequest& request,
                  const QString& fontFamily) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QColor frame = design.bottom.darker(130);
    p.setPen(QPen(frame, 1.5));
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawRoundedRect(profilePanel, 10, 10);

    QFont captionFont(fontFamily);
    captionFont.setPixelSize(13);
    captionFont.setBold(true);
    QFont valueFont(fontFamily);
    valueFont.setPixelSize(13);
    const QColor captionInk = design.bottom.darker(190);
    const QColor valueInk(0x33, 0x33, 0x33);
    QColor rule = frame;
    rule.setAlpha(60);

    // One item a line, the values lined up after the widest caption.
    std::array<QString, fieldCount> captions;
    double captionWidth = 0;
    const QFontMetricsF captionMetrics(captionFont);
    for (std::size_t k = 0; k < fieldCount; ++k) {
        captions[k] = QString::fromUtf8(fieldCaptions[k].data(),
                                        static_cast<qsizetype>(fieldCaptions[k].size())) +
                      QStringLiteral("：");
        captionWidth = std::max(captionWidth, captionMetrics.horizontalAdvance(captions[k]));
    }
    const QRectF inner = profilePanel.adjusted(10, 6, -10, -6);
    const double rowHeight = inner.height() / fieldCount;
    const QFontMetricsF valueMetrics(valueFont);
    for (std::size_t k = 0; k < fieldCount; ++k) {
        const QRectF line(inner.left(), inner.top() + k * rowHeight, inner.width(), rowHeight);
        if (k > 0) {
            p.setPen(QPen(rule, 0.75));
            p.drawLine(line.topLeft(), line.topRight());
        }
        p.setFont(captionFont);
        p.setPen(captionInk);
        p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, captions[k]);

        const QRectF valueCell = line.adjusted(captionWidth, 0, 0, 0);
        const QString value = QString::fromStdString(request.values[k]);
        p.setFont(valueFont);
        p.setPen(valueInk);
        p.drawText(valueCell, Qt::AlignLeft | Qt::AlignVCenter,
                   valueMetrics.elidedText(value, Qt::ElideRight, valueCell.width()));
    }
    p.restore();
}

}  // namespace

Renderer::Renderer(QString fontFamily) : m_fontFamily(std::move(fontFamily)) {}

std::shared_ptr<const std::string> Renderer::preview(int number) {
    Slot& slot = m_previews.at(static_cast<std::size_t>(number - 1));
    std::lock_guard lock(slot.mutex);
    if (!slot.gif) {
        const Design design = designFor(number);
        QImage base(designWidth, designHeight, QImage::Format_RGB32);
        QPainter p(&base);
        paintBackground(p, design, m_fontFamily);
        p.end();
        auto gif = std::make_shared<std::string>(animate(base, design, 1, designSize, {}));
        if (gif->empty())
            return gif;  // not cached: the next request tries again
        slot.gif = std::move(gif);
    }
    return slot.gif;
}

std::string Renderer::finished(const MakeRequest& request) const {
    const Design design = designFor(request.templateNumber);
    QImage base((finishedCanvas * finishedScale).toSize(), QImage::Format_RGB32);
    QPainter p(&base);
    p.scale(finishedScale, finishedScale);
    paintBackground(p, design, m_fontFamily, finishedCanvas);
    paintProfile(p, design, request, m_fontFamily);
    p.end();
    const QRegion keepClear =
        QRegion(profilePanel.toAlignedRect()).united(titleBadge.toAlignedRect());
    return animate(base, design, finishedScale, finishedCanvas, keepClear);
}

QString findChineseFontFamily() {
    const QStringList families = QFontDatabase::families();
    const QString preferred = QStringLiteral("Noto Sans CJK SC");
    if (families.contains(preferred))
        return preferred;
    for (const QString& family : families) {
        if (QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese))
            return family;
    }
    return QGuiApplication::font().family();
}

}  // namespace quelvo::skinsite
