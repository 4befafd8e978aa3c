// Reader of PCX pictures, for which Qt has no image plugin.
#pragma once

#include <cstdint>
#include <string_view>

class QImage;

namespace quelvo {

// Limits on a decoded picture; a header over them is refused before anything is allocated.
inline constexpr int kPcxMaxSide = 16384;
inline constexpr std::int64_t kPcxMaxPixels = std::int64_t{1} << 25;

// Whether the bytes start like a PCX file: maker byte 0x0A, version 0, 2, 3, 4 or 5, run-length
// encoding 1.
bool looksLikePcx(std::string_view bytes);

// Decodes 1-, 2- and 4-bit pictures of up to four bit planes (colours from the header palette),
// 8-bit paletted pictures (palette at the end, marked 0x0C) and 24-bit pictures (three planes).
// Any malformed or over-large input gives a null image.
QImage decodePcx(std::string_view bytes);

}  // namespace quelvo
