// The PCX reader: any bytes give a picture within the limits or a null image.
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/widgets/pcx.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const bool looks = quelvo::looksLikePcx(bytes);
    const QImage image = quelvo::decodePcx(bytes);
    if (!image.isNull()) {
        if (!looks || image.width() > quelvo::kPcxMaxSide || image.height() > quelvo::kPcxMaxSide ||
            std::int64_t{image.width()} * image.height() > quelvo::kPcxMaxPixels)
            std::abort();
        // Every pixel is readable.
        (void)image.pixel(image.width() - 1, image.height() - 1);
    }
    return 0;
}
