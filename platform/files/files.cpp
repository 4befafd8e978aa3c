// Files: whole-file writes that honour the hidden/system attributes, and the program's folders.
#include "platform/files/files.h"

#include <QDir>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <string>
#include <vector>

namespace quelvo::files {
namespace {

// Reads the stored attributes of an existing file; nullopt when they cannot be read for a reason
// other than "none stored".
std::optional<std::uint32_t> storedAttributes(const std::string& path) {
    char buffer[32];
    ssize_t n = getxattr(path.c_str(), kAttributeKey, buffer, sizeof buffer);
    if (n < 0) {
        if (errno == ENODATA || errno == ENOTSUP)
            return kNormal;
        return std::nullopt;
    }
    std::uint32_t value = kNormal;
    auto [end, ec] = std::from_chars(buffer, buffer + n, value);
    if (ec != std::errc() || end != buffer + n)
        return kNormal;
    return value;
}

// Windows' rule for replacing a file: the new file must keep the old one's hidden and system bits,
// and a read-only file is never replaced.
bool replacementAllowed(std::uint32_t existing, std::uint32_t requested) {
    if (existing & kReadOnly)
        return false;
    return ((existing & (kHidden | kSystem)) & ~requested) == 0;
}

bool writeAll(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool writeFile(const Text& path, std::span<const unsigned char> bytes, std::uint32_t attributes) {
    std::string target = path.toUtf8();
    if (target.empty() || target.back() == '/')
        return false;

    // Writing through a link replaces the file it names, as an in-place write would.
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = ::realpath(target.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }

    mode_t mode = 0666;
    if (::stat(target.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode))
            return false;
        auto existing = storedAttributes(target);
        if (!existing || !replacementAllowed(*existing, attributes))
            return false;
        mode = info.st_mode & 07777;
    } else if (errno != ENOENT) {
        return false;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }

    // A temporary beside the target, renamed over it: a failed write leaves the old file whole.
    std::string temporary = folderOf(target) + "/." + nameOf(target) + ".XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes.data(), bytes.size());
    if (ok && attributes != kNormal) {
        std::string value = std::to_string(attributes);
        ok = ::fsetxattr(fd, kAttributeKey, value.data(), value.size(), 0) == 0;
    }
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(name.data(), target.c_str()) == 0;
    if (!ok)
        ::unlink(name.data());
    return ok;
}

bool writeFile(const Text& path, std::string_view bytes, std::uint32_t attributes) {
    return writeFile(path,
                     std::span(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()),
                     attributes);
}

bool setAttributes(const Text& path, std::uint32_t attributes) {
    std::string target = path.toUtf8();
    if (target.empty())
        return false;
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0)
        return false;
    if (attributes == kNormal) {
        return ::removexattr(target.c_str(), kAttributeKey) == 0 || errno == ENODATA;
    }
    std::string value = std::to_string(attributes);
    return ::setxattr(target.c_str(), kAttributeKey, value.data(), value.size(), 0) == 0;
}

std::optional<std::uint32_t> attributes(const Text& path) {
    std::string target = path.toUtf8();
    struct stat info {};
    if (target.empty() || ::stat(target.c_str(), &info) != 0)
        return std::nullopt;
    return storedAttributes(target).value_or(kNormal);
}

Text currentDirectory() {
    std::vector<char> buffer(256);
    while (true) {
        if (::getcwd(buffer.data(), buffer.size()))
            return Text::fromUtf8(buffer.data());
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

Text desktopFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (folder.isEmpty())
        return {};
    QDir().mkpath(folder);
    return Text::fromUtf8(folder.toStdString());
}

}  // namespace quelvo::files
