// Encodes painted frames as a looping GIF89a: one shared palette (median cut, at most 255 colours)
// and, after the first frame, only the pixels that changed.
#pragma once

#include <functional>
#include <string>

class QImage;
class QSize;

namespace quelvo::skinsite {

// Paints frame `index` over all of `frame`, an RGB32 image of the picture's size. It is called
// twice per frame (once for the palette, once for the pixels) and must paint the same both times.
using FramePainter = std::function<void(int index, QImage& frame)>;

// `delayCs` is the time each frame shows, in 1/100 s. Frames are painted one at a time into one
// buffer, so a long animation costs no more memory than a still. Empty when giflib fails.
std::string encodeGif(QSize size, int frameCount, const FramePainter& paint, int delayCs);

}  // namespace quelvo::skinsite
