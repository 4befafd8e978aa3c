// Number conversions: integer and real values of texts, text of a number, truncation.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/numbers.h"

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const quelvo::Text text(std::string(reinterpret_cast<const char*>(data), size));

    const quelvo::Text half = quelvo::halfWidth(text);
    check(half.size() <= text.size());
    (void)quelvo::textToInteger(text);
    const double real = quelvo::realValue(text);
    check(std::isfinite(real));

    // The text of a number reads back as the same number to 13 significant digits.
    const quelvo::Text written = quelvo::numberText(real);
    const double back = quelvo::realValue(written);
    check(std::fabs(back - real) <= std::fabs(real) * 1e-12);

    // Any double, NaN and infinities included, taken from the first eight bytes.
    if (size >= sizeof(double)) {
        double value;
        std::memcpy(&value, data, sizeof value);
        const quelvo::Text t = quelvo::numberText(value);
        check(!t.empty() && t.size() < 32);
        const std::int32_t n = quelvo::truncateToInt(value);
        if (std::isfinite(value) && std::fabs(value) < 2147483647.0)
            check(n == static_cast<std::int32_t>(std::trunc(value)));
    }
    return 0;
}
