// Real picture files for the tests, made at test time by Qt's writers, netpbm and giflib.
#pragma once

#include <QColor>
#include <QImage>
#include <QStringList>

#include <string>
#include <vector>

namespace quelvo::test {

// `image` written by Qt's writer for `format` ("PNG", "JPEG", "BMP", "ICO", "PPM").
std::string encodeImage(const QImage& image, const char* format);

// `image` converted by netpbm's ppmtopcx with `arguments`; fails the test when the tool is missing.
std::string ppmToPcx(const QImage& image, const QStringList& arguments = {});

// A GIF89a of `width` x `height` whose frames hold indexes into `colours` (a power of two in
// count), `delayCs` hundredths of a second each; more than one frame loops forever.
std::string makeGif(int width, int height, const std::vector<QRgb>& colours,
                    const std::vector<std::vector<unsigned char>>& frames, int delayCs = 10);

// Whether each channel of `a` is within `tolerance` of `b`'s.
bool nearColour(QRgb a, QRgb b, int tolerance = 0);

}  // namespace quelvo::test
