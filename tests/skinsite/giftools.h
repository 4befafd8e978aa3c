// Decoding GIFs with giflib in tests: frame count, loop extension and the first frame's pixels.
#pragma once

#include <gif_lib.h>
#include <QImage>
#include <QRect>

#include <cstdlib>
#include <cstring>
#include <string>

namespace quelvo::test {

struct DecodedGif {
    bool ok = false;
    int width = 0, height = 0;
    int frames = 0;
    bool loops = false;
    // Frames after the first that change at least one pixel (are not all transparent).
    int changingFrames = 0;
    QImage first;  // the first frame, composed to RGB32
};

inline DecodedGif decodeGif(const std::string& bytes) {
    struct Reader {
        const std::string* bytes;
        std::size_t pos;
    } reader{&bytes, 0};
    auto read = [](GifFileType* gif, GifByteType* out, int length) -> int {
        auto* r = static_cast<Reader*>(gif->UserData);
        std::size_t n =
            std::min<std::size_t>(static_cast<std::size_t>(length), r->bytes->size() - r->pos);
        std::memcpy(out, r->bytes->data() + r->pos, n);
        r->pos += n;
        return static_cast<int>(n);
    };
    DecodedGif out;
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, read, &error);
    if (!gif)
        return out;
    if (DGifSlurp(gif) == GIF_OK) {
        out.ok = true;
        out.width = gif->SWidth;
        out.height = gif->SHeight;
        out.frames = gif->ImageCount;
        out.loops = bytes.find("NETSCAPE2.0") != std::string::npos;
        for (int f = 0; f < gif->ImageCount; ++f) {
            const SavedImage& image = gif->SavedImages[f];
            GraphicsControlBlock gcb{};
            gcb.TransparentColor = NO_TRANSPARENT_COLOR;
            DGifSavedExtensionToGCB(gif, f, &gcb);
            const ColorMapObject* map =
                image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
            const int w = image.ImageDesc.Width, h = image.ImageDesc.Height;
            if (f == 0) {
                out.first = QImage(out.width, out.height, QImage::Format_RGB32);
                out.first.fill(Qt::black);
                for (int y = 0; y < h; ++y) {
                    for (int x = 0; x < w; ++x) {
                        const GifColorType& c = map->Colors[image.RasterBits[y * w + x]];
                        out.first.setPixel(image.ImageDesc.Left + x, image.ImageDesc.Top + y,
                                           qRgb(c.Red, c.Green, c.Blue));
                    }
                }
            } else {
                for (int i = 0; i < w * h; ++i) {
                    if (image.RasterBits[i] != gcb.TransparentColor) {
                        ++out.changingFrames;
                        break;
                    }
                }
            }
        }
    }
    DGifCloseFile(gif, &error);
    return out;
}

// Pixels that differ between two images of the same size; -1 when the sizes differ.
inline int differingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    }
    return n;
}

// The smallest rectangle holding every pixel whose colour moved by more than `tolerance` (sum
// over the channels) between two images of the same size; empty when none did. The tolerance
// keeps out the small shifts of a palette that follows the picture's colours.
inline QRect changedArea(const QImage& a, const QImage& b, int tolerance = 96) {
    QRect area;
    if (a.size() != b.size())
        return area;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                    std::abs(qBlue(p) - qBlue(q)) >
                tolerance)
                area |= QRect(x, y, 1, 1);
        }
    }
    return area;
}

}  // namespace quelvo::test
