// GIF bytes without their comment blocks: the bundled site notes in each picture when it was made,
// so two pictures of the same items are compared without those notes.
#pragma once

#include <cstddef>
#include <string>

namespace quelvo::test {

inline std::string withoutGifComments(const std::string& gif) {
    auto at = [&](std::size_t i) {
        return i < gif.size() ? static_cast<unsigned char>(gif[i]) : 0u;
    };
    auto table = [](unsigned flags) -> std::size_t {
        return (flags & 0x80) ? std::size_t{3} << ((flags & 7) + 1) : 0;
    };
    auto skipSubBlocks = [&](std::size_t pos) {
        while (pos < gif.size() && at(pos) != 0)
            pos += 1 + at(pos);
        return pos + 1;
    };
    if (gif.size() < 13 || gif.compare(0, 3, "GIF") != 0)
        return gif;
    std::size_t pos = 13 + table(at(10));
    std::string out = gif.substr(0, pos);
    while (pos < gif.size()) {
        const std::size_t start = pos;
        if (at(pos) == 0x21) {
            pos = skipSubBlocks(pos + 2);
            if (at(start + 1) != 0xFE)
                out.append(gif, start, pos - start);
        } else if (at(pos) == 0x2C) {
            pos = skipSubBlocks(pos + 10 + table(at(pos + 9)) + 1);
            out.append(gif, start, pos - start);
        } else {
            out.append(gif, start, std::string::npos);
            break;
        }
    }
    return out;
}

}  // namespace quelvo::test
