#include "common/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

namespace quelvo {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t skipBlanks(const std::string& s, std::size_t pos) {
    while (pos < s.size() && isBlank(s[pos]))
        ++pos;
    return pos;
}

// For a number out of the double range: whether it is too large rather than too small, from the
// place of its first significant digit (digits, point, exponent; no sign).
bool isHuge(std::string_view number) {
    long long magnitude = 0;
    bool significant = false;
    bool afterPoint = false;
    std::size_t pos = 0;
    for (; pos < number.size() && number[pos] != 'e' && number[pos] != 'E'; ++pos) {
        if (number[pos] == '.') {
            afterPoint = true;
        } else if (number[pos] != '0' || significant) {
            significant = true;
            if (!afterPoint)
                ++magnitude;
        } else if (afterPoint) {
            --magnitude;
        }
    }
    long long exponent = 0;
    bool negative = false;
    if (++pos < number.size() && (number[pos] == '+' || number[pos] == '-'))
        negative = number[pos++] == '-';
    for (; pos < number.size(); ++pos)
        exponent = std::min(exponent * 10 + (number[pos] - '0'), 1'000'000'000LL);
    return significant && magnitude + (negative ? -exponent : exponent) > 0;
}

}  // namespace

Text halfWidth(const Text& text) {
    const std::string& in = text.bytes();
    std::string out;
    out.reserve(in.size());
    for (std::size_t pos = 0; pos < in.size();) {
        std::size_t len = characterLength(in, pos);
        auto lead = static_cast<unsigned char>(in[pos]);
        auto trail = len == 2 ? static_cast<unsigned char>(in[pos + 1]) : 0;
        if (len == 2 && lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            out.push_back(static_cast<char>(trail - 0x80));
        } else if (len == 2 && lead == 0xA1 && trail == 0xA1) {
            out.push_back(' ');
        } else {
            out.append(in, pos, len);
        }
        pos += len;
    }
    return Text(std::move(out));
}

std::int32_t textToInteger(const Text& text) {
    const std::string s = halfWidth(text).bytes();
    std::size_t pos = skipBlanks(s, 0);
    bool negative = false;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-'))
        negative = s[pos++] == '-';
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{1} << 32;
    for (; pos < s.size() && isDigit(s[pos]); ++pos) {
        value = std::min(value * 10 + (s[pos] - '0'), kLimit);
    }
    if (negative)
        value = -value;
    value = std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(value);
}

double realValue(const Text& text) {
    const std::string s = halfWidth(text).bytes();
    std::size_t start = skipBlanks(s, 0);
    std::size_t pos = start;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-'))
        ++pos;
    std::size_t digits = 0;
    while (pos < s.size() && isDigit(s[pos]))
        ++pos, ++digits;
    if (pos < s.size() && s[pos] == '.') {
        ++pos;
        while (pos < s.size() && isDigit(s[pos]))
            ++pos, ++digits;
    }
    if (digits == 0)
        return 0.0;
    // An exponent counts only when digits follow it.
    if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
        std::size_t exp = pos + 1;
        if (exp < s.size() && (s[exp] == '+' || s[exp] == '-'))
            ++exp;
        if (exp < s.size() && isDigit(s[exp])) {
            while (exp < s.size() && isDigit(s[exp]))
                ++exp;
            pos = exp;
        }
    }
    // from_chars ignores the locale: under a decimal-comma locale strtod would stop at the point.
    // It takes no leading '+', and reports a result out of range instead of giving infinity.
    const char* first = s.data() + start;
    const char* last = s.data() + pos;
    const bool negative = *first == '-';
    if (*first == '+' || *first == '-')
        ++first;
    double value = 0;
    const std::from_chars_result parsed = std::from_chars(first, last, value);
    if (parsed.ec == std::errc::result_out_of_range)
        value = isHuge(std::string_view(first, static_cast<std::size_t>(last - first)))
                    ? std::numeric_limits<double>::max()
                    : 0.0;
    if (negative)
        value = -value;
    return value;
}

Text numberText(double value) {
    if (std::isnan(value))
        return Text("0");
    if (value == 0)
        return Text("0");
    char buffer[64];
    // Like "%.13g", whatever the locale's decimal point.
    const std::to_chars_result printed =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 13);
    std::string s(buffer, printed.ptr);
    // %g may print an exponent; keep it but strip trailing zeros of a mantissa.
    auto e = s.find_first_of("eE");
    std::string mantissa = s.substr(0, e);
    std::string exponent = e == std::string::npos ? std::string() : s.substr(e);
    if (mantissa.find('.') != std::string::npos) {
        while (!mantissa.empty() && mantissa.back() == '0')
            mantissa.pop_back();
        if (!mantissa.empty() && mantissa.back() == '.')
            mantissa.pop_back();
    }
    return Text(mantissa + exponent);
}

std::int32_t truncateToInt(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

}  // namespace quelvo
