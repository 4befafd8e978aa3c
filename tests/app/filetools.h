// Small file helpers the start-up tests share.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>

namespace quelvo::test {

inline std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string bytesOf(std::span<const unsigned char> span) {
    return {reinterpret_cast<const char*>(span.data()), span.size()};
}

// The file's inode: the same number means the very same file, not a rewritten one.
inline ino_t inodeOf(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

}  // namespace quelvo::test
