// Our skin file format: ".SHE", a small versioned header, then a Qt style sheet in UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quelvo::skin {

// Layout, all numbers little-endian:
//   0  4 bytes  ".SHE"
//   4  uint16   format version (kFormatVersion)
//   6  uint16   reserved, 0
//   8  uint32   payload length in bytes
//  12  uint32   CRC-32 (IEEE) of the payload
//  16  payload  the style sheet, UTF-8
inline constexpr std::string_view kMagic = ".SHE";
inline constexpr std::uint16_t kFormatVersion = 1;
inline constexpr std::size_t kHeaderSize = 16;
// Style sheets are small; a longer payload is a damaged file, not a skin.
inline constexpr std::uint32_t kMaxPayload = 1u << 20;

// Results of reading a skin; they are also SkinH_AttachEx's return codes.
enum class SkinError : int {
    None = 0,
    Unreadable = 1,          // no path, or the file cannot be read
    NotASkin = 2,            // too short, or the magic is wrong
    UnsupportedVersion = 3,  // a version we do not know, or reserved bits set
    BadLength = 4,           // the payload is shorter or longer than the header says
    BadChecksum = 5,         // the payload does not match its CRC
    NotUtf8 = 6,             // the payload is not valid UTF-8
    NoApplication = 7,       // no widget application to give the look to
};

struct Unpacked {
    SkinError error = SkinError::None;
    std::string styleSheet;
};

std::string packSkin(std::string_view styleSheet);
Unpacked unpackSkin(std::string_view bytes);

std::uint32_t crc32(std::string_view bytes);
bool isValidUtf8(std::string_view bytes);

}  // namespace quelvo::skin
