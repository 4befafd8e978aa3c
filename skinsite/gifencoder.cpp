// GIF encoding with giflib. The palette is shared by all frames so colours do not flicker between
// frames; unchanged pixels of later frames are written as the transparent index, which keeps the
// animated files small.
#include "skinsite/gifencoder.h"

#include <gif_lib.h>
#include <QImage>
#include <QSize>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quelvo::skinsite {

namespace {

constexpr int transparentIndex = 255;
constexpr int maxColours = 255;  // index 255 is kept for "unchanged"
constexpr int binCount = 1 << 15;

int binOf(QRgb c) {
    return ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3);
}

struct Bin {
    std::uint16_t key;
    std::uint32_t count;
    std::uint64_t r, g, b;
    int channel(int ch) const { return (key >> (10 - 5 * ch)) & 31; }
};

struct Box {
    std::size_t begin, end;  // range of bins
    std::uint64_t count;
    int longest;  // channel with the widest range
    int range;
};

Box makeBox(std::vector<Bin>& bins, std::size_t begin, std::size_t end) {
    Box box{begin, end, 0, 0, -1};
    std::array<int, 3> lo{31, 31, 31}, hi{0, 0, 0};
    for (std::size_t i = begin; i < end; ++i) {
        box.count += bins[i].count;
        for (int ch = 0; ch < 3; ++ch) {
            lo[ch] = std::min(lo[ch], bins[i].channel(ch));
            hi[ch] = std::max(hi[ch], bins[i].channel(ch));
        }
    }
    for (int ch = 0; ch < 3; ++ch) {
        if (hi[ch] - lo[ch] > box.range) {
            box.range = hi[ch] - lo[ch];
            box.longest = ch;
        }
    }
    return box;
}

struct Palette {
    std::vector<GifColorType> colours;
    std::vector<std::uint8_t> lookup;  // bin -> palette index
};

void countColours(const QImage& frame, std::vector<Bin>& table) {
    for (int y = 0; y < frame.height(); ++y) {
        auto line = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        for (int x = 0; x < frame.width(); ++x) {
            Bin& bin = table[binOf(line[x])];
            ++bin.count;
            bin.r += qRed(line[x]);
            bin.g += qGreen(line[x]);
            bin.b += qBlue(line[x]);
        }
    }
}

// Median cut over a 15-bit histogram of all frames.
Palette medianCut(const std::vector<Bin>& table) {
    std::vector<Bin> bins;
    for (const Bin& bin : table) {
        if (bin.count)
            bins.push_back(bin);
    }

    std::vector<Box> boxes{makeBox(bins, 0, bins.size())};
    while (static_cast<int>(boxes.size()) < maxColours) {
        // Split the box whose pixels spread the most; population times range keeps both large
        // flat areas and rare but distinct colours (text, sparkles) represented.
        auto best = boxes.end();
        std::uint64_t bestScore = 0;
        for (auto it = boxes.begin(); it != boxes.end(); ++it) {
            if (it->end - it->begin < 2 || it->range == 0)
                continue;
            std::uint64_t score = it->count * static_cast<std::uint64_t>(it->range);
            if (score > bestScore) {
                bestScore = score;
                best = it;
            }
        }
        if (best == boxes.end())
            break;
        Box box = *best;
        int ch = box.longest;
        std::sort(bins.begin() + box.begin, bins.begin() + box.end,
                  [ch](const Bin& a, const Bin& b) { return a.channel(ch) < b.channel(ch); });
        std::uint64_t half = box.count / 2, seen = 0;
        std::size_t cut = box.begin;
        while (cut < box.end - 1 && seen + bins[cut].count <= half)
            seen += bins[cut++].count;
        if (cut == box.begin)
            ++cut;
        *best = makeBox(bins, box.begin, cut);
        boxes.push_back(makeBox(bins, cut, box.end));
    }

    Palette palette;
    palette.lookup.assign(binCount, 0);
    for (const Box& box : boxes) {
        std::uint64_t r = 0, g = 0, b = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            r += bins[i].r;
            g += bins[i].g;
            b += bins[i].b;
            palette.lookup[bins[i].key] = static_cast<std::uint8_t>(palette.colours.size());
        }
        std::uint64_t n = std::max<std::uint64_t>(box.count, 1);
        palette.colours.push_back(GifColorType{static_cast<GifByteType>(r / n),
                                               static_cast<GifByteType>(g / n),
                                               static_cast<GifByteType>(b / n)});
    }
    palette.colours.resize(256, GifColorType{0, 0, 0});
    return palette;
}

int appendOutput(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};

bool putControl(GifFileType* gif, int delayCs, int transparent) {
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSE_DO_NOT;
    gcb.UserInputFlag = false;
    gcb.DelayTime = delayCs;
    gcb.TransparentColor = transparent;
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    return EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) == GIF_OK;
}

bool putLoopForever(GifFileType* gif) {
    static const GifByteType name[] = "NETSCAPE2.0";
    static const GifByteType loop[] = {1, 0, 0};
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(gif, 11, name) == GIF_OK &&
           EGifPutExtensionBlock(gif, 3, loop) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
}

// When and in which order the picture was made: two makes of the same items give different
// bytes, so a client waiting for a fresh picture can tell the new one from the old.
bool putMadeComment(GifFileType* gif) {
    static std::atomic<std::uint64_t> sequence{0};
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const std::string text =
        "made " +
        std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count()) +
        " us, #" + std::to_string(++sequence);
    return EGifPutExtension(gif, COMMENT_EXT_FUNC_CODE, static_cast<int>(text.size()),
                            text.data()) == GIF_OK;
}

}  // namespace

std::string encodeGif(QSize size, int frameCount, const FramePainter& paint, int delayCs) {
    if (size.isEmpty() || frameCount < 1)
        return {};
    const int w = size.width(), h = size.height();
    QImage frame(size, QImage::Format_RGB32);
    if (frame.isNull())
        return {};

    // Reused by each server thread: a fresh megabyte per picture costs more in page faults than
    // the counting itself.
    thread_local std::vector<Bin> table(binCount);
    for (int k = 0; k < binCount; ++k)
        table[k] = Bin{static_cast<std::uint16_t>(k), 0, 0, 0, 0};
    for (int f = 0; f < frameCount; ++f) {
        paint(f, frame);
        countColours(frame, table);
    }
    Palette palette = medianCut(table);
    std::string out;
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(EGifOpen(&out, appendOutput, &error));
    if (!gif)
        return {};
    EGifSetGifVersion(gif.get(), true);

    ColorMapObject* map = GifMakeMapObject(256, palette.colours.data());
    if (!map)
        return {};
    bool ok = EGifPutScreenDesc(gif.get(), w, h, 8, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    if (!ok || (frameCount > 1 && !putLoopForever(gif.get())) || !putMadeComment(gif.get()))
        return {};

    std::vector<GifPixelType> previous, current(static_cast<std::size_t>(w) * h);
    std::vector<GifPixelType> row(static_cast<std::size_t>(w));
    for (int f = 0; f < frameCount; ++f) {
        paint(f, frame);
        for (int y = 0; y < h; ++y) {
            auto line = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
            GifPixelType* pixels = current.data() + static_cast<std::size_t>(y) * w;
            for (int x = 0; x < w; ++x)
                pixels[x] = palette.lookup[binOf(line[x])];
        }

        // The region that changed since the last frame; at least one pixel so the frame exists.
        int left = 0, top = 0, right = w - 1, bottom = h - 1;
        if (f > 0) {
            left = w, top = h, right = -1, bottom = -1;
            for (int y = 0; y < h; ++y) {
                std::size_t base = static_cast<std::size_t>(y) * w;
                for (int x = 0; x < w; ++x) {
                    if (current[base + x] != previous[base + x]) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                        top = std::min(top, y);
                        bottom = std::max(bottom, y);
                    }
                }
            }
            if (right < 0)
                left = top = right = bottom = 0;
        }

        if (!putControl(gif.get(), delayCs, f > 0 ? transparentIndex : NO_TRANSPARENT_COLOR))
            return {};
        int fw = right - left + 1, fh = bottom - top + 1;
        if (EGifPutImageDesc(gif.get(), left, top, fw, fh, false, nullptr) != GIF_OK)
            return {};
        for (int y = top; y <= bottom; ++y) {
            std::size_t base = static_cast<std::size_t>(y) * w;
            for (int x = left; x <= right; ++x) {
                GifPixelType p = current[base + x];
                row[x - left] = (f > 0 && p == previous[base + x]) ? transparentIndex : p;
            }
            if (EGifPutLine(gif.get(), row.data(), fw) != GIF_OK)
                return {};
        }
        previous.swap(current);
        current.resize(previous.size());
    }

    GifFileType* raw = gif.release();
    if (EGifCloseFile(raw, &error) != GIF_OK)
        return {};
    return out;
}

}  // namespace quelvo::skinsite
