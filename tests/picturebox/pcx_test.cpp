// PCX reader: files from netpbm's ppmtopcx, hand-built files, and malformed input giving null.
#include <gtest/gtest.h>
#include <QImage>

#include <random>

#include "pictures.h"
#include "platform/widgets/pcx.h"

namespace quelvo {
namespace {

using test::ppmToPcx;

// Colour `i` of a picture with at most 256 colours; the red channel alone tells them apart.
QRgb paletteColour(int i) {
    return qRgb((i * 37) & 255, (i * 91 + 17) & 255, (i * 151 + 5) & 255);
}

// Even rows have short runs of three pixels, odd rows are one colour from end to end, so the files
// hold literal bytes, short runs and runs longer than 63. `colours` 0 means true colour.
QImage pattern(int width, int height, int colours) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (colours == 0) {
                image.setPixel(x, y, qRgb((x * 5) & 255, (y * 40 + x) & 255, (x * y * 3) & 255));
            } else {
                int i = y % 2 == 0 ? (x / 3 + y) % colours : (y / 2) % colours;
                image.setPixel(x, y, paletteColour(i));
            }
        }
    }
    return image;
}

void expectSamePixels(const QImage& decoded, const QImage& source) {
    ASSERT_FALSE(decoded.isNull());
    ASSERT_EQ(decoded.size(), source.size());
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            ASSERT_EQ(decoded.pixel(x, y) | 0xFF000000, source.pixel(x, y) | 0xFF000000)
                << "at " << x << "," << y;
        }
    }
}

struct ToolCase {
    const char* name;
    QStringList arguments;
    int width, height, colours;
    int bits, planes;  // what the file must be, so that the case tests what its name says
};

class PcxFromNetpbm : public testing::TestWithParam<ToolCase> {};

TEST_P(PcxFromNetpbm, DecodesToTheSourcePixels) {
    const ToolCase& c = GetParam();
    const QImage source = pattern(c.width, c.height, c.colours);
    const std::string file = ppmToPcx(source, c.arguments);
    ASSERT_GE(file.size(), 128u);
    ASSERT_EQ(file[3], c.bits);
    ASSERT_EQ(file[65], c.planes);
    expectSamePixels(decodePcx(file), source);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PcxFromNetpbm,
    testing::Values(ToolCase{"truecolour", {"-24bit"}, 70, 5, 0, 8, 3},
                    ToolCase{"truecolour_of_few", {"-24bit"}, 13, 6, 5, 8, 3},
                    ToolCase{"paletted", {"-8bit"}, 13, 6, 5, 8, 1},
                    ToolCase{"paletted_200", {}, 131, 4, 200, 8, 1},
                    ToolCase{"planes4", {}, 13, 6, 16, 1, 4},
                    ToolCase{"planes4_forced", {"-planes=4"}, 9, 3, 2, 1, 4},
                    ToolCase{"planes3", {}, 13, 6, 8, 1, 3},
                    ToolCase{"planes2", {}, 13, 6, 4, 1, 2}, ToolCase{"mono", {}, 13, 6, 2, 1, 1},
                    ToolCase{"mono_1x1", {}, 1, 1, 2, 1, 1},
                    ToolCase{"packed2", {"-packed"}, 13, 6, 4, 2, 1},
                    ToolCase{"packed4", {"-packed"}, 13, 6, 16, 4, 1},
                    ToolCase{"placed_at_5_3", {"-xpos=5", "-ypos=3"}, 13, 6, 16, 1, 4}),
    [](const testing::TestParamInfo<ToolCase>& info) { return std::string(info.param.name); });

// Hand-built files. Layout of the 128-byte header (little-endian words):
//   0 maker 0x0A, 1 version, 2 encoding 1, 3 bits per pixel and plane,
//   4 xMin, 6 yMin, 8 xMax, 10 yMax, 12 dpi x, 14 dpi y, 16..63 sixteen RGB triples,
//   64 reserved, 65 planes, 66 bytes per line and plane, 68 palette kind, 70..127 zero.
// Then the run-length data: a byte with both top bits set repeats the next byte (its low six bits
// times); any other byte stands for itself. Each scanline holds plane 0's bytes, then plane 1's...
// An 8-bit paletted file ends with 0x0C and 256 RGB triples.
struct PcxLayout {
    int version = 5;
    int bits = 8;
    int planes = 1;
    int width = 1;
    int height = 1;
    int bytesPerLine = 0;  // 0: the least that holds a line
    int xMin = 0, yMin = 0;
    std::vector<QRgb> headerPalette;
};

void putWord(std::string& s, std::size_t at, int value) {
    s[at] = static_cast<char>(value & 0xFF);
    s[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

std::string pcxHeader(const PcxLayout& l) {
    std::string h(128, '\0');
    h[0] = 0x0A;
    h[1] = static_cast<char>(l.version);
    h[2] = 1;
    h[3] = static_cast<char>(l.bits);
    putWord(h, 4, l.xMin);
    putWord(h, 6, l.yMin);
    putWord(h, 8, l.xMin + l.width - 1);
    putWord(h, 10, l.yMin + l.height - 1);
    for (std::size_t i = 0; i < l.headerPalette.size() && i < 16; ++i) {
        h[16 + 3 * i] = static_cast<char>(qRed(l.headerPalette[i]));
        h[17 + 3 * i] = static_cast<char>(qGreen(l.headerPalette[i]));
        h[18 + 3 * i] = static_cast<char>(qBlue(l.headerPalette[i]));
    }
    h[65] = static_cast<char>(l.planes);
    putWord(h, 66, l.bytesPerLine ? l.bytesPerLine : (l.width * l.bits + 7) / 8);
    putWord(h, 68, 1);
    return h;
}

std::string palette256() {
    std::string p(1, '\x0C');
    for (int i = 0; i < 256; ++i) {
        QRgb c = paletteColour(i);
        p += static_cast<char>(qRed(c));
        p += static_cast<char>(qGreen(c));
        p += static_cast<char>(qBlue(c));
    }
    return p;
}

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

QImage expected(int width, int height, std::initializer_list<QRgb> pixels) {
    QImage image(width, height, QImage::Format_RGB32);
    auto it = pixels.begin();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, *it++);
    }
    return image;
}

constexpr QRgb kBlack = 0xFF000000, kWhite = 0xFFFFFFFF;

TEST(PcxHandBuilt, MonochromeWithAnUnsetPaletteIsBlackAndWhite) {
    // 10 x 2, two bytes a line; 0xC0 is a pixel byte here, so it has to be written as a run of 1.
    PcxLayout l{.version = 0, .bits = 1, .width = 10, .height = 2};
    std::string file = pcxHeader(l) + bytes({0xAA, 0xC1, 0xC0, 0x55, 0x40});
    expectSamePixels(decodePcx(file),
                     expected(10, 2, {kWhite, kBlack, kWhite, kBlack, kWhite, kBlack,
                                      kWhite, kBlack, kWhite, kWhite,  // row 0: 10101010 11
                                      kBlack, kWhite, kBlack, kWhite, kBlack, kWhite,
                                      kBlack, kWhite, kBlack, kWhite}));  // row 1: 01010101 01
}

TEST(PcxHandBuilt, MonochromeUsesTheHeaderPaletteWhenItHasTwoColours) {
    PcxLayout l{.bits = 1, .width = 2, .height = 1, .headerPalette = {0xFF102030, 0xFFF0E0D0}};
    std::string file = pcxHeader(l) + bytes({0x40});
    expectSamePixels(decodePcx(file), expected(2, 1, {0xFF102030, 0xFFF0E0D0}));
}

TEST(PcxHandBuilt, VersionThreeHasTheStandardSixteenColours) {
    // 2 x 1 in four planes: pixel 0 is colour 4 (plane 2 only), pixel 1 colour 15 (all planes).
    // The header palette is garbage on purpose: version 3 files carry none.
    PcxLayout l{.version = 3,
                .bits = 1,
                .planes = 4,
                .width = 2,
                .height = 1,
                .headerPalette = std::vector<QRgb>(16, 0xFF123456)};
    std::string file = pcxHeader(l) + bytes({0x40, 0x40, 0xC1, 0xC0, 0x40});
    expectSamePixels(decodePcx(file), expected(2, 1, {0xFFAA0000, kWhite}));
}

TEST(PcxHandBuilt, RunsMayCrossScanlinesAndLinePaddingIsSkipped) {
    // 3 x 2, 8-bit, four bytes a line (one of padding): a run of 6 covers row 0 with its padding
    // and two pixels of row 1.
    PcxLayout l{.width = 3, .height = 2, .bytesPerLine = 4};
    std::string file = pcxHeader(l) + bytes({0xC6, 7, 9, 0}) + palette256();
    const QRgb c7 = paletteColour(7);
    expectSamePixels(decodePcx(file), expected(3, 2, {c7, c7, c7, c7, c7, paletteColour(9)}));
}

// A valid file, for the malformed cases to start from: 4 x 2, 8-bit paletted.
std::string validPaletted() {
    PcxLayout l{.width = 4, .height = 2};
    return pcxHeader(l) + bytes({0xC4, 1, 2, 3, 4, 5}) + palette256();
}

// A valid file of 3 x 2 in 24 bits, plane by plane: R R R G G G B B B per line.
std::string validTruecolour() {
    PcxLayout l{.planes = 3, .width = 3, .height = 2};
    return pcxHeader(l) + bytes({0xC9, 200}) + bytes({0xC9, 100});
}

std::string withByte(std::string s, std::size_t at, int value) {
    s[at] = static_cast<char>(value);
    return s;
}

std::string withWord(std::string s, std::size_t at, int value) {
    putWord(s, at, value);
    return s;
}

TEST(PcxMalformed, GivesANullImage) {
    ASSERT_FALSE(decodePcx(validPaletted()).isNull());
    ASSERT_FALSE(decodePcx(validTruecolour()).isNull());
    const std::string paletted = validPaletted();
    const std::string truecolour = validTruecolour();
    const std::string header = pcxHeader({.planes = 3, .width = 3, .height = 2});
    struct Case {
        const char* name;
        std::string file;
    } cases[] = {
        {"empty", ""},
        {"header cut short", header.substr(0, 127)},
        {"header and no data", header},
        {"other maker byte", withByte(truecolour, 0, 0x0B)},
        {"version 1", withByte(truecolour, 1, 1)},
        {"version 6", withByte(truecolour, 1, 6)},
        {"not run-length encoded", withByte(truecolour, 2, 0)},
        {"3 bits per pixel", withByte(truecolour, 3, 3)},
        {"8 bits in 2 planes", withByte(truecolour, 65, 2)},
        {"8 bits in 4 planes", withByte(truecolour, 65, 4)},
        {"no planes", withByte(truecolour, 65, 0)},
        {"1 bit in 5 planes", withByte(withByte(truecolour, 3, 1), 65, 5)},
        {"4 bits in 2 planes", withByte(withByte(truecolour, 3, 4), 65, 2)},
        {"xMax before xMin", withWord(truecolour, 4, 5)},
        {"yMax before yMin", withWord(truecolour, 6, 5)},
        {"65536 x 65536", withWord(withWord(truecolour, 8, 0xFFFF), 10, 0xFFFF)},
        {"side over the limit", withWord(withWord(truecolour, 8, kPcxMaxSide), 66, 0xFFFF)},
        {"too many pixels", withWord(withWord(withWord(truecolour, 8, 8191), 10, 8191), 66, 8192)},
        {"far more pixels than the data holds",
         withWord(withWord(withWord(truecolour, 8, 4095), 10, 4095), 66, 4096)},
        {"lines shorter than the width", withWord(truecolour, 66, 2)},
        {"no bytes per line", withWord(truecolour, 66, 0)},
        {"data ends in the last line", header + bytes({0xC9, 200, 0xC5, 100})},
        {"data ends after the first line", header + bytes({0xC9, 200})},
        {"run past the end of the picture", header + bytes({0xC9, 200, 0xCA, 100})},
        {"run byte without its value", header + bytes({0xC9, 200, 0xC8, 100, 0xC1})},
        {"palette missing", paletted.substr(0, paletted.size() - 769)},
        {"palette cut short", paletted.substr(0, paletted.size() - 1)},
        {"palette without its marker", withByte(paletted, paletted.size() - 769, 0x0D)},
        {"palette and no data", pcxHeader({.width = 4, .height = 2}) + palette256()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(decodePcx(c.file).isNull());
    }
}

// Real files cut anywhere before their end are incomplete: null, never a crash or a half picture.
TEST(PcxMalformed, EveryTruncationOfARealFileGivesANullImage) {
    const std::string files[] = {
        ppmToPcx(pattern(13, 6, 0), {"-24bit"}),
        ppmToPcx(pattern(13, 6, 40)),
        ppmToPcx(pattern(13, 6, 16)),
        ppmToPcx(pattern(13, 6, 16), {"-packed"}),
    };
    for (const std::string& file : files) {
        ASSERT_FALSE(decodePcx(file).isNull());
        for (std::size_t n = 0; n < file.size(); ++n) {
            ASSERT_TRUE(decodePcx(std::string_view(file).substr(0, n)).isNull())
                << "cut to " << n << " of " << file.size() << " bytes, bits " << int(file[3])
                << ", planes " << int(file[65]);
        }
    }
}

// Random damage to real files: whatever decodes has the size its header says and stays in the
// limits. (Run under a sanitizer, this is where an overrun would show.)
TEST(PcxMalformed, RandomlyDamagedFilesNeverCrash) {
    const std::string files[] = {
        ppmToPcx(pattern(21, 9, 0), {"-24bit"}),
        ppmToPcx(pattern(21, 9, 100)),
        ppmToPcx(pattern(21, 9, 16)),
        ppmToPcx(pattern(21, 9, 4), {"-packed"}),
    };
    std::mt19937 random(20240611);
    for (const std::string& original : files) {
        ASSERT_FALSE(decodePcx(original).isNull());
        for (int round = 0; round < 1500; ++round) {
            std::string file = original;
            int damage = 1 + static_cast<int>(random() % 4);
            for (int d = 0; d < damage; ++d) {
                // Half of the damage goes into the header, where it matters most.
                std::size_t at = random() % 2 ? random() % 128 : random() % file.size();
                file[at] = static_cast<char>(random());
            }
            if (random() % 8 == 0)
                file.resize(random() % file.size());
            QImage image = decodePcx(file);
            if (image.isNull())
                continue;
            auto word = [&file](std::size_t at) {
                return static_cast<unsigned char>(file[at]) |
                       (static_cast<unsigned char>(file[at + 1]) << 8);
            };
            EXPECT_EQ(image.width(), word(8) - word(4) + 1);
            EXPECT_EQ(image.height(), word(10) - word(6) + 1);
            EXPECT_LE(std::int64_t{image.width()} * image.height(), kPcxMaxPixels);
        }
    }
}

}  // namespace
}  // namespace quelvo
