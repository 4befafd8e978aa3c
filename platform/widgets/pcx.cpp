// Reader of PCX pictures: header checks, run-length expansion scanline by scanline, colours.
#include "platform/widgets/pcx.h"

#include <QImage>

#include <array>
#include <cstddef>
#include <cstring>
#include <vector>

namespace quelvo {

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteBlockSize = 1 + 256 * 3;  // marker 0x0C, then 256 RGB triples
constexpr unsigned char kPaletteMarker = 0x0C;

// The standard 16 colours, for version 3 files, which carry no palette.
constexpr std::array<QRgb, 16> kEgaColours = {
    0xFF000000, 0xFF0000AA, 0xFF00AA00, 0xFF00AAAA, 0xFFAA0000, 0xFFAA00AA, 0xFFAA5500, 0xFFAAAAAA,
    0xFF555555, 0xFF5555FF, 0xFF55FF55, 0xFF55FFFF, 0xFFFF5555, 0xFFFF55FF, 0xFFFFFF55, 0xFFFFFFFF};

int le16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}

// Run-length decoder; a run may go on from one scanline into the next, as some writers do.
class RunReader {
public:
    RunReader(const unsigned char* data, std::size_t size) : m_data(data), m_size(size) {}

    // Fills `out` with the next `n` bytes; false when the data ends first.
    bool read(unsigned char* out, std::size_t n) {
        std::size_t done = 0;
        while (done < n) {
            if (m_runLeft > 0) {
                std::size_t take = std::min(m_runLeft, n - done);
                std::memset(out + done, m_runValue, take);
                done += take;
                m_runLeft -= take;
                continue;
            }
            if (m_pos >= m_size)
                return false;
            unsigned char b = m_data[m_pos++];
            if ((b & 0xC0) != 0xC0) {
                out[done++] = b;
                continue;
            }
            if (m_pos >= m_size)
                return false;
            m_runLeft = b & 0x3F;
            m_runValue = m_data[m_pos++];
        }
        return true;
    }

    // A run left over once the picture is complete went past its end.
    bool overran() const { return m_runLeft > 0; }

private:
    const unsigned char* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    std::size_t m_runLeft = 0;
    unsigned char m_runValue = 0;
};

QList<QRgb> headerColours(const unsigned char* header, int version, int colourBits) {
    const unsigned char* p = header + 16;
    QRgb first = qRgb(p[0], p[1], p[2]);
    QRgb second = qRgb(p[3], p[4], p[5]);
    // Monochrome files often leave the palette zeroed, which would paint everything black.
    if (colourBits == 1 && (version == 3 || first == second)) {
        return {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    }
    QList<QRgb> colours;
    int count = 1 << colourBits;
    for (int i = 0; i < count; ++i) {
        colours.append(version == 3 ? kEgaColours[i] : qRgb(p[3 * i], p[3 * i + 1], p[3 * i + 2]));
    }
    return colours;
}

}  // namespace

bool looksLikePcx(std::string_view bytes) {
    if (bytes.size() < 3)
        return false;
    auto version = static_cast<unsigned char>(bytes[1]);
    return bytes[0] == 0x0A && (version == 0 || (version >= 2 && version <= 5)) && bytes[2] == 1;
}

QImage decodePcx(std::string_view bytes) {
    if (bytes.size() < kHeaderSize || !looksLikePcx(bytes))
        return {};
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const int version = data[1];
    const int bits = data[3];
    const int planes = data[65];
    const int bytesPerLine = le16(data + 66);
    const int xMin = le16(data + 4), yMin = le16(data + 6);
    const int xMax = le16(data + 8), yMax = le16(data + 10);
    if (xMax < xMin || yMax < yMin)
        return {};
    const int width = xMax - xMin + 1;
    const int height = yMax - yMin + 1;
    if (width > kPcxMaxSide || height > kPcxMaxSide ||
        std::int64_t{width} * height > kPcxMaxPixels) {
        return {};
    }

    const bool planar = (bits == 1 || bits == 2 || bits == 4) && planes >= 1 && bits * planes <= 4;
    const bool paletted8 = bits == 8 && planes == 1;
    const bool rgb = bits == 8 && planes == 3;
    if (!planar && !paletted8 && !rgb)
        return {};
    if (std::int64_t{bytesPerLine} * 8 < std::int64_t{width} * bits)
        return {};

    std::size_t dataEnd = bytes.size();
    if (paletted8) {
        if (bytes.size() < kHeaderSize + kPaletteBlockSize)
            return {};
        dataEnd = bytes.size() - kPaletteBlockSize;
        if (data[dataEnd] != kPaletteMarker)
            return {};
    }
    // Two bytes of data make at most 63 bytes of picture: a header that promises more than the
    // data can hold is refused before the picture is allocated.
    const std::size_t lineBytes = static_cast<std::size_t>(planes) * bytesPerLine;
    const std::size_t dataSize = dataEnd - kHeaderSize;
    if (static_cast<std::uint64_t>(lineBytes) * height > std::uint64_t{dataSize} / 2 * 63 + 1) {
        return {};
    }

    QImage image(width, height, rgb ? QImage::Format_RGB32 : QImage::Format_Indexed8);
    if (image.isNull())
        return {};
    if (paletted8) {
        QList<QRgb> colours;
        const unsigned char* p = data + dataEnd + 1;
        for (int i = 0; i < 256; ++i)
            colours.append(qRgb(p[3 * i], p[3 * i + 1], p[3 * i + 2]));
        image.setColorTable(colours);
    } else if (planar) {
        image.setColorTable(headerColours(data, version, bits * planes));
    }

    RunReader reader(data + kHeaderSize, dataSize);
    std::vector<unsigned char> line(lineBytes);
    const int mask = (1 << bits) - 1;
    for (int y = 0; y < height; ++y) {
        if (!reader.read(line.data(), line.size()))
            return {};
        if (rgb) {
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            const unsigned char* r = line.data();
            const unsigned char* g = r + bytesPerLine;
            const unsigned char* b = g + bytesPerLine;
            for (int x = 0; x < width; ++x)
                out[x] = qRgb(r[x], g[x], b[x]);
        } else if (paletted8) {
            std::memcpy(image.scanLine(y), line.data(), static_cast<std::size_t>(width));
        } else {
            uchar* out = image.scanLine(y);
            for (int x = 0; x < width; ++x) {
                const int bit = x * bits;
                const int shift = 8 - bits - bit % 8;
                int index = 0;
                for (int p = 0; p < planes; ++p) {
                    const int value = (line[p * bytesPerLine + bit / 8] >> shift) & mask;
                    index |= value << (p * bits);
                }
                out[x] = static_cast<uchar>(index);
            }
        }
    }
    if (reader.overran())
        return {};
    return image;
}

}  // namespace quelvo
