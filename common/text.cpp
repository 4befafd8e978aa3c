#include "common/text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace quelvo {
namespace {

// One conversion through iconv; a sequence the source encoding cannot decode, or the target cannot
// encode, becomes `replacement` and the conversion goes on after it.
std::string convert(const char* to, const char* from, std::string_view in,
                    std::string_view replacement, std::size_t unit) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    std::string out;
    out.reserve(in.size() * 2 + 8);
    char buffer[4096];
    auto* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    while (true) {
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        std::size_t rc = srcLeft ? iconv(cd, &src, &srcLeft, &dst, &dstLeft)
                                 : iconv(cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        if (rc != static_cast<std::size_t>(-1)) {
            if (srcLeft == 0)
                break;
            continue;
        }
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (truncated at the end): skip one source unit.
        out.append(replacement);
        std::size_t skip = std::min(unit, srcLeft);
        src += skip;
        srcLeft -= skip;
        if (srcLeft == 0) {
            char* flushDst = buffer;
            std::size_t flushLeft = sizeof buffer;
            iconv(cd, nullptr, nullptr, &flushDst, &flushLeft);
            out.append(buffer, static_cast<std::size_t>(flushDst - buffer));
            break;
        }
    }
    iconv_close(cd);
    return out;
}

constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";
constexpr std::string_view kGbReplacement = "?";

bool isAsciiUpper(unsigned char c) {
    return c >= 'A' && c <= 'Z';
}
unsigned char lowerAscii(unsigned char c) {
    return isAsciiUpper(c) ? c + ('a' - 'A') : c;
}

}  // namespace

Text Text::fromUtf8(std::string_view utf8) {
    bool ascii = true;
    for (unsigned char c : utf8)
        ascii = ascii && c < 0x80;
    if (ascii)
        return Text(std::string(utf8));
    return Text(convert("GB18030", "UTF-8", utf8, kGbReplacement, 1));
}

Text Text::fromUtf16(std::u16string_view utf16) {
    std::string_view raw(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2);
    return Text(convert("GB18030", "UTF-16LE", raw, kGbReplacement, 2));
}

std::string Text::toUtf8() const {
    bool ascii = true;
    for (unsigned char c : m_bytes)
        ascii = ascii && c < 0x80;
    if (ascii)
        return m_bytes;
    return convert("UTF-8", "GB18030", m_bytes, kUtf8Replacement, 1);
}

std::u16string Text::toUtf16() const {
    std::string raw = convert("UTF-16LE", "GB18030", m_bytes, std::string_view("\xFD\xFF", 2), 1);
    std::u16string out(raw.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                       (static_cast<unsigned char>(raw[2 * i + 1]) << 8));
    }
    return out;
}

std::size_t characterLength(std::string_view bytes, std::size_t pos) {
    if (pos >= bytes.size())
        return 0;
    auto lead = static_cast<unsigned char>(bytes[pos]);
    std::size_t len = 1;
    if (lead >= 0x80) {
        len = 2;
        if (lead >= 0x81 && lead <= 0xFE && pos + 1 < bytes.size()) {
            auto second = static_cast<unsigned char>(bytes[pos + 1]);
            if (second >= 0x30 && second <= 0x39)
                len = 4;
        }
    }
    return std::min(len, bytes.size() - pos);
}

std::vector<std::size_t> characterStarts(std::string_view bytes) {
    std::vector<std::size_t> starts;
    for (std::size_t pos = 0; pos < bytes.size(); pos += characterLength(bytes, pos)) {
        starts.push_back(pos);
    }
    return starts;
}

Text asciiLower(const Text& text) {
    std::string out = text.bytes();
    for (std::size_t pos = 0; pos < out.size();) {
        std::size_t len = characterLength(out, pos);
        if (len == 1)
            out[pos] = static_cast<char>(lowerAscii(static_cast<unsigned char>(out[pos])));
        pos += len;
    }
    return Text(std::move(out));
}

bool equalsAsciiCaseless(const Text& a, const Text& b) {
    return asciiLower(a) == asciiLower(b);
}

bool containsAsciiCaseless(const Text& text, const Text& key) {
    if (text.empty())
        return false;
    if (key.empty())
        return true;
    const std::string hay = asciiLower(text).bytes();
    const std::string needle = asciiLower(key).bytes();
    for (std::size_t pos = 0; pos + needle.size() <= hay.size(); pos += characterLength(hay, pos)) {
        if (hay.compare(pos, needle.size(), needle) == 0)
            return true;
    }
    return false;
}

}  // namespace quelvo
