// Real picture files for the tests: Qt's writers, netpbm's ppmtopcx and giflib.
#include "pictures.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <QBuffer>
#include <QProcess>

#include <cstdlib>

namespace quelvo::test {

std::string encodeImage(const QImage& image, const char* format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format, 100)) << format;
    return data.toStdString();
}

std::string ppmToPcx(const QImage& image, const QStringList& arguments) {
    QProcess tool;
    tool.start("ppmtopcx", arguments);
    if (!tool.waitForStarted(10000)) {
        ADD_FAILURE() << "ppmtopcx did not start: netpbm is needed (scripts/install-deps)";
        return {};
    }
    std::string ppm = encodeImage(image.convertToFormat(QImage::Format_RGB32), "PPM");
    tool.write(ppm.data(), static_cast<qint64>(ppm.size()));
    tool.closeWriteChannel();
    EXPECT_TRUE(tool.waitForFinished(10000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    return tool.readAllStandardOutput().toStdString();
}

namespace {

int appendToString(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<std::string*>(gif->UserData)
        ->append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
    return length;
}

}  // namespace

std::string makeGif(int width, int height, const std::vector<QRgb>& colours,
                    const std::vector<std::vector<unsigned char>>& frames, int delayCs) {
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendToString, &error);
    if (!gif) {
        ADD_FAILURE() << "EGifOpen: " << GifErrorString(error);
        return {};
    }
    std::vector<GifColorType> entries;
    for (QRgb c : colours) {
        entries.push_back({static_cast<GifByteType>(qRed(c)), static_cast<GifByteType>(qGreen(c)),
                           static_cast<GifByteType>(qBlue(c))});
    }
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(entries.size()), entries.data());
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK;
    if (frames.size() > 1) {
        static const unsigned char loopForever[3] = {1, 0, 0};
        ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
             EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK &&
             EGifPutExtensionBlock(gif, 3, loopForever) == GIF_OK &&
             EGifPutExtensionTrailer(gif) == GIF_OK;
    }
    for (const auto& frame : frames) {
        GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, delayCs, NO_TRANSPARENT_COLOR};
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
             EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
        for (int y = 0; ok && y < height; ++y) {
            ok = EGifPutLine(gif, const_cast<GifPixelType*>(frame.data()) + y * width, width) ==
                 GIF_OK;
        }
    }
    EXPECT_TRUE(ok) << GifErrorString(gif->Error);
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

bool nearColour(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

}  // namespace quelvo::test
