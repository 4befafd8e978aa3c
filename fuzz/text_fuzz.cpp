// Text conversions: GB18030 to and from UTF-8 and UTF-16, character boundaries, caseless matching.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/text.h"

namespace {

// The system's GB18030 tables leave a few code points of the BMP private use area unmapped (those
// the 2005 edition moved to assigned characters): they become "?", so no round trip for them.
bool privateUse(std::uint32_t cp) {
    return cp >= 0xE000 && cp <= 0xF8FF;
}

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF) without private use.
bool roundTripUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80                 ? 1
                        : c >= 0xC2 && c <= 0xDF ? 2
                        : c >= 0xE0 && c <= 0xEF ? 3
                        : c >= 0xF0 && c <= 0xF4 ? 4
                                                 : 0;
        if (n == 0 || i + n > s.size())
            return false;
        std::uint32_t cp = n == 1 ? c : c & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            cp = cp << 6 | (t & 0x3F);
        }
        const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || privateUse(cp))
            return false;
        i += n;
    }
    return true;
}

// Paired surrogates only, without private use.
bool roundTripUtf16(std::u16string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] >= 0xD800 && s[i] <= 0xDBFF) {
            if (i + 1 == s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF)
                return false;
            ++i;
        } else if ((s[i] >= 0xDC00 && s[i] <= 0xDFFF) || privateUse(s[i])) {
            return false;
        }
    }
    return true;
}

void check(bool ok) {
    if (!ok)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    using quelvo::Text;

    // GB18030 covers all of Unicode: valid UTF-8 and UTF-16 come back unchanged.
    Text fromUtf8 = Text::fromUtf8(bytes);
    if (roundTripUtf8(bytes))
        check(fromUtf8.toUtf8() == bytes);
    std::u16string utf16(size / 2, u'\0');
    for (std::size_t i = 0; i < utf16.size(); ++i)
        utf16[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    Text fromUtf16 = Text::fromUtf16(utf16);
    if (roundTripUtf16(utf16))
        check(fromUtf16.toUtf16() == utf16);

    // The same bytes taken as GB18030 as they are.
    Text raw(bytes);
    (void)raw.toUtf8();
    (void)raw.toUtf16();

    const std::vector<std::size_t> starts = quelvo::characterStarts(bytes);
    for (std::size_t i = 0; i < starts.size(); ++i) {
        check(starts[i] < size && (i == 0 || starts[i] > starts[i - 1]));
        check(quelvo::characterLength(bytes, starts[i]) >= 1);
    }
    Text lower = quelvo::asciiLower(raw);
    check(lower.size() == raw.size());
    check(quelvo::equalsAsciiCaseless(raw, lower));

    // The input split in two: the second half searched for in the first.
    const std::size_t half = size / 2;
    Text hay(bytes.substr(0, half));
    Text key(bytes.substr(half));
    const bool found = quelvo::containsAsciiCaseless(hay, key);
    if (!hay.empty() && key.size() <= hay.size() &&
        quelvo::asciiLower(hay).bytes().find(quelvo::asciiLower(key).bytes()) == 0)
        check(found);
    return 0;
}
