// Previews at the design size; finished pictures at twice that, so the profile texts stay legible.
#include "skinsite/renderer.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <array>
#include <cstring>

#include "skinsite/designs.h"
#include "skinsite/formcheck.h"
#include "skinsite/gifencoder.h"

namespace quelvo::skinsite {

namespace {

constexpr int finishedScale = 2;
// Where the profile items go, in design units; sparkles keep out of it.
const QRectF profilePanel(10, 40, 292, 184);

// Each frame is the still picture with that frame's sparkles on top.
std::string animate(const QImage& still, const Design& design, int scale, const QRectF& avoid) {
    return encodeGif(
        still.size(), animationFrames,
        [&](int index, QImage& frame) {
            std::memcpy(frame.bits(), still.constBits(),
                        static_cast<std::size_t>(still.sizeInBytes()));
            QPainter p(&frame);
            p.scale(scale, scale);
            paintSparkles(p, design, index, avoid);
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
    captionFont.setPixelSize(11);
    captionFont.setBold(true);
    QFont valueFont(fontFamily);
    valueFont.setPixelSize(11);
    const QColor captionInk = design.bottom.darker(190);
    const QColor valueInk(0x33, 0x33, 0x33);

    // Two columns; the signature, usually the longest item, gets a row of its own.
    struct Place {
        int row, column, span;
    };
    constexpr std::array<Place, fieldCount> places = {{{0, 0, 1},
                                                       {0, 1, 1},
                                                       {1, 0, 2},
                                                       {2, 0, 1},
                                                       {2, 1, 1},
                                                       {3, 0, 1},
                                                       {3, 1, 1},
                                                       {4, 0, 1},
                                                       {4, 1, 1},
                                                       {5, 0, 1},
                                                       {5, 1, 1},
                                                       {6, 0, 1}}};
    constexpr int rows = 7;
    const double padding = 10;
    const double columnWidth = (profilePanel.width() - 3 * padding) / 2;
    const double rowHeight = (profilePanel.height() - 2 * padding) / rows;
    for (std::size_t k = 0; k < fieldCount; ++k) {
        const Place& place = places[k];
        QRectF cell(profilePanel.left() + padding + place.column * (columnWidth + padding),
                    profilePanel.top() + padding + place.row * rowHeight,
                    columnWidth * place.span + padding * (place.span - 1), rowHeight);
        const QString caption = QString::fromUtf8(fieldCaptions[k].data(),
                                                  static_cast<qsizetype>(fieldCaptions[k].size())) +
                                QStringLiteral("：");
        p.setFont(captionFont);
        p.setPen(captionInk);
        const double captionWidth = QFontMetricsF(captionFont).horizontalAdvance(caption);
        p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, caption);

        QRectF valueCell = cell.adjusted(captionWidth, 0, 0, 0);
        const QString value = QString::fromStdString(request.values[k]);
        p.setFont(valueFont);
        p.setPen(valueInk);
        const QString shown =
            QFontMetricsF(valueFont).elidedText(value, Qt::ElideRight, valueCell.width());
        p.drawText(valueCell, Qt::AlignLeft | Qt::AlignVCenter, shown);
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
        auto gif = std::make_shared<std::string>(animate(base, design, 1, {}));
        if (gif->empty())
            return gif;  // not cached: the next request tries again
        slot.gif = std::move(gif);
    }
    return slot.gif;
}

std::string Renderer::finished(const MakeRequest& request) const {
    const Design design = designFor(request.templateNumber);
    QImage base(designWidth * finishedScale, designHeight * finishedScale, QImage::Format_RGB32);
    QPainter p(&base);
    p.scale(finishedScale, finishedScale);
    paintBackground(p, design, m_fontFamily);
    paintProfile(p, design, request, m_fontFamily);
    p.end();
    return animate(base, design, finishedScale, profilePanel);
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
