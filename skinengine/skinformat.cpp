// Our skin file format: ".SHE", a small versioned header, then a Qt style sheet in UTF-8.
#include "skinengine/skinformat.h"

#include <array>

namespace quelvo::skin {
namespace {

void putLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint32_t getLe(std::string_view in, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
    }
    return value;
}

constexpr std::array<std::uint32_t, 256> makeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr auto kCrcTable = makeCrcTable();

}  // namespace

std::uint32_t crc32(std::string_view bytes) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes)
        c = kCrcTable[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (bytes.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto trail = static_cast<unsigned char>(bytes[i + k]);
            if ((trail & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (trail & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF.
        if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) ||
            (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string packSkin(std::string_view styleSheet) {
    std::string out(kMagic);
    putLe(out, kFormatVersion, 2);
    putLe(out, 0, 2);
    putLe(out, static_cast<std::uint32_t>(styleSheet.size()), 4);
    putLe(out, crc32(styleSheet), 4);
    out.append(styleSheet);
    return out;
}

Unpacked unpackSkin(std::string_view bytes) {
    if (bytes.size() < kHeaderSize || bytes.substr(0, kMagic.size()) != kMagic) {
        return {SkinError::NotASkin, {}};
    }
    if (getLe(bytes, 4, 2) != kFormatVersion || getLe(bytes, 6, 2) != 0) {
        return {SkinError::UnsupportedVersion, {}};
    }
    const std::uint32_t length = getLe(bytes, 8, 4);
    if (length > kMaxPayload || bytes.size() - kHeaderSize != length) {
        return {SkinError::BadLength, {}};
    }
    std::string_view payload = bytes.substr(kHeaderSize);
    if (crc32(payload) != getLe(bytes, 12, 4))
        return {SkinError::BadChecksum, {}};
    if (!isValidUtf8(payload))
        return {SkinError::NotUtf8, {}};
    return {SkinError::None, std::string(payload)};
}

}  // namespace quelvo::skin
