// The program's shared text type: GB18030 bytes, converted only at the boundaries.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quelvo {

class Text {
public:
    Text() = default;
    // Takes bytes that are already GB18030 (or GBK, which is a subset).
    explicit Text(std::string bytes) : m_bytes(std::move(bytes)) {}

    static Text fromUtf8(std::string_view utf8);
    static Text fromUtf16(std::u16string_view utf16);

    std::string toUtf8() const;
    std::u16string toUtf16() const;

    const std::string& bytes() const { return m_bytes; }
    const char* c_str() const { return m_bytes.c_str(); }
    bool empty() const { return m_bytes.empty(); }
    std::size_t size() const { return m_bytes.size(); }

    Text& operator+=(const Text& other) {
        m_bytes += other.m_bytes;
        return *this;
    }
    friend Text operator+(Text a, const Text& b) { return a += b; }
    friend bool operator==(const Text&, const Text&) = default;

private:
    std::string m_bytes;
};

// Literal texts in the sources are UTF-8: "信息："_t is the GB18030 text.
inline Text operator""_t(const char* utf8, std::size_t n) {
    return Text::fromUtf8({utf8, n});
}

// Number of bytes of the character that starts at `pos` (1, 2 or 4), clipped to the text's end.
std::size_t characterLength(std::string_view bytes, std::size_t pos);

// The byte offsets at which characters start.
std::vector<std::size_t> characterStarts(std::string_view bytes);

// ASCII letters A-Z lowered; a multi-byte character is left whole, even when its trail byte is
// in the ASCII letter range.
Text asciiLower(const Text& text);

// Byte comparison with ASCII letters lowered first; multi-byte characters compare exactly.
bool equalsAsciiCaseless(const Text& a, const Text& b);

// Whether `key` occurs in `text` starting at a character boundary, ASCII letters compared without
// regard to case. An empty key occurs in every non-empty text and in no empty text.
bool containsAsciiCaseless(const Text& text, const Text& key);

}  // namespace quelvo
