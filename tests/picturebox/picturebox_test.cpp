// Picture box: every known kind shown stretched, the rest shown as nothing, GIFs playing.
#include <gtest/gtest.h>
#include <QLabel>
#include <QMovie>

#include "pictures.h"
#include "platform/widgets/picturebox.h"
#include "support/wait.h"

namespace quelvo {
namespace {

using test::encodeImage;
using test::makeGif;
using test::nearColour;

const QRgb kRed = qRgb(220, 30, 30);
const QRgb kGreen = qRgb(30, 200, 40);
const QRgb kBlue = qRgb(30, 40, 210);
const QRgb kYellow = qRgb(230, 220, 30);
const std::vector<QRgb> kGifColours = {kRed, kGreen, kBlue, kYellow};

// 16 x 16 in four 8 x 8 quarters: red, green / blue, yellow.
QImage quarters() {
    QImage image(16, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x)
            image.setPixel(x, y, kGifColours[(y / 8) * 2 + x / 8]);
    }
    return image;
}

std::vector<unsigned char> quarterIndexes() {
    std::vector<unsigned char> indexes;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x)
            indexes.push_back(static_cast<unsigned char>((y / 8) * 2 + x / 8));
    }
    return indexes;
}

// A cursor file is an icon file of type 2 whose directory entry holds the hot spot where an icon
// has planes and bit count.
std::string cursorFile() {
    std::string file = encodeImage(quarters(), "ICO");
    file[2] = 2;
    file[6 + 4] = 8;  // hot spot x
    file[6 + 6] = 8;  // hot spot y
    return file;
}

std::string twoFrameGif() {
    return makeGif(16, 16, kGifColours,
                   {std::vector<unsigned char>(256, 0), std::vector<unsigned char>(256, 2)}, 10);
}

QImage shot(PictureBox& box) {
    return box.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

struct ShownCase {
    const char* name;
    std::string bytes;
    int tolerance;
};

TEST(PictureBoxTest, ShowsEveryKnownKindStretchedToTheBoxAndKeepsTheBytes) {
    const ShownCase cases[] = {
        {"JPEG", encodeImage(quarters(), "JPEG"), 40},
        {"BMP", encodeImage(quarters(), "BMP"), 0},
        {"PNG", encodeImage(quarters(), "PNG"), 0},
        {"icon", encodeImage(quarters(), "ICO"), 0},
        {"cursor", cursorFile(), 0},
        {"GIF", makeGif(16, 16, kGifColours, {quarterIndexes()}), 0},
        {"PCX in planes", test::ppmToPcx(quarters()), 0},
        {"PCX in 24 bits", test::ppmToPcx(quarters(), {"-24bit"}), 0},
    };
    for (const ShownCase& c : cases) {
        SCOPED_TRACE(c.name);
        PictureBox box;
        box.resize(200, 120);
        box.setPictureBytes(c.bytes);
        EXPECT_TRUE(box.hasPicture());
        EXPECT_EQ(box.pictureBytes(), c.bytes);
        // The corners of the box are the corners of the picture: it fills the box.
        QImage image = shot(box);
        EXPECT_TRUE(nearColour(image.pixel(2, 2), kRed, c.tolerance));
        EXPECT_TRUE(nearColour(image.pixel(197, 2), kGreen, c.tolerance));
        EXPECT_TRUE(nearColour(image.pixel(2, 117), kBlue, c.tolerance));
        EXPECT_TRUE(nearColour(image.pixel(197, 117), kYellow, c.tolerance));
        EXPECT_TRUE(nearColour(image.pixel(50, 30), kRed, c.tolerance));
        EXPECT_TRUE(nearColour(image.pixel(150, 90), kYellow, c.tolerance));
    }
}

TEST(PictureBoxTest, BorderAndUnstretchedPicture) {
    PictureBox box;
    box.resize(200, 120);
    box.setBorder(PictureBox::Border::SingleLine);
    box.setPictureBytes(encodeImage(quarters(), "PNG"));
    QImage framed = shot(box);
    EXPECT_FALSE(nearColour(framed.pixel(0, 0), kRed, 0));
    EXPECT_TRUE(nearColour(framed.pixel(1, 1), kRed, 0));
    EXPECT_TRUE(nearColour(framed.pixel(198, 118), kYellow, 0));

    box.setStretch(false);
    QImage natural = shot(box);
    EXPECT_TRUE(nearColour(natural.pixel(1 + 3, 1 + 3), kRed, 0));
    EXPECT_TRUE(nearColour(natural.pixel(1 + 12, 1 + 12), kYellow, 0));
    for (QRgb c : kGifColours)
        EXPECT_FALSE(nearColour(natural.pixel(100, 60), c, 0));
}

TEST(PictureBoxTest, BytesThatAreNoKnownPictureShowNothingAndAreKept) {
    const std::string png = encodeImage(quarters(), "PNG");
    const std::string gif = twoFrameGif();
    const std::string ppm = encodeImage(quarters(), "PPM");
    const std::string garbage("\x01\x02\x00\xFFgarbage\x00\x7F", 13);
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"garbage", garbage},
        {"HTML error page",
         "<html><head><title>404 Not Found</title></head><body>no such skin"
         "</body></html>"},
        {"PNG cut in half", png.substr(0, png.size() / 2)},
        {"PNG signature only", png.substr(0, 8)},
        {"PNG behind one byte", " " + png},
        {"GIF header only", gif.substr(0, 13)},
        {"GIF cut in its first frame", gif.substr(0, 40)},
        {"BMP magic and garbage", "BM" + garbage},
        {"JPEG magic and garbage", "\xFF\xD8\xFF" + garbage},
        {"icon header and garbage", std::string("\0\0\1\0", 4) + garbage},
        {"PCX header only", test::ppmToPcx(quarters()).substr(0, 128)},
        {"PPM, a picture of a kind not shown", ppm},
    };
    PictureBox empty;
    empty.resize(200, 120);
    const QImage nothing = shot(empty);
    for (const std::string& before : {png, gif}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << c.name << " after " << (before == png ? "PNG" : "GIF"));
            PictureBox box;
            box.resize(200, 120);
            box.setPictureBytes(before);
            ASSERT_TRUE(box.hasPicture());
            box.setPictureBytes(c.bytes);
            EXPECT_FALSE(box.hasPicture());
            EXPECT_EQ(box.movie(), nullptr);
            EXPECT_EQ(box.pictureBytes(), c.bytes);
            EXPECT_EQ(shot(box), nothing);
        }
    }
}

TEST(PictureBoxTest, AnimatedGifPlays) {
    PictureBox box;
    box.resize(100, 100);
    box.show();
    box.setPictureBytes(twoFrameGif());
    ASSERT_TRUE(box.hasPicture());
    ASSERT_NE(box.movie(), nullptr);
    EXPECT_TRUE(nearColour(shot(box).pixel(50, 50), kRed, 0));
    const int first = box.movie()->currentFrameNumber();
    EXPECT_TRUE(test::waitFor([&] { return box.movie()->currentFrameNumber() != first; }, 1000));
    // The frames reach the screen, not only the movie: red and blue take turns.
    EXPECT_TRUE(test::waitFor([&] { return nearColour(shot(box).pixel(50, 50), kBlue, 0); }, 1000));
    EXPECT_TRUE(test::waitFor([&] { return nearColour(shot(box).pixel(50, 50), kRed, 0); }, 1000));
}

TEST(PictureBoxTest, TransparentLabelTextStaysVisibleOverThePicture) {
    PictureBox box;
    box.resize(232, 320);
    box.setBorder(PictureBox::Border::SingleLine);
    QLabel label("WWWW WWWW", &box);
    label.setGeometry(7, 15, 216, 288);
    label.setAttribute(Qt::WA_TranslucentBackground);
    label.setStyleSheet("color: black; background: transparent;");
    QFont font = label.font();
    font.setPixelSize(40);
    label.setFont(font);
    label.setAlignment(Qt::AlignTop | Qt::AlignLeft);
    label.setWordWrap(true);

    for (QRgb colour : {kRed, kBlue}) {
        QImage solid(8, 8, QImage::Format_RGB32);
        solid.fill(colour);
        box.setPictureBytes(encodeImage(solid, "PNG"));
        QImage image = shot(box);
        int picture = 0, text = 0;
        for (int y = 15; y < 15 + 288; ++y) {
            for (int x = 7; x < 7 + 216; ++x) {
                QRgb p = image.pixel(x, y);
                picture += nearColour(p, colour, 0);
                text += nearColour(p, qRgb(0, 0, 0), 60);
            }
        }
        EXPECT_GT(picture, 216 * 288 / 2) << "the label hides the picture";
        EXPECT_GT(text, 50) << "the label's text is not drawn over the picture";
    }
}

}  // namespace
}  // namespace quelvo
