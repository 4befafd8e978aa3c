// Files: whole-file writes that honour the hidden/system attributes, and the program's folders.
#include "platform/files/files.h"

#include <QDir>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace quelvo::files {
namespace {

std::optional<std::uint32_t> parseAttributes(ssize_t n, const char* buffer) {
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

// Reads the stored attributes of an existing file; nullopt when they cannot be read for a reason
// other than "none stored".
std::optional<std::uint32_t> storedAttributes(const std::string& path) {
    char buffer[32];
    return parseAttributes(getxattr(path.c_str(), kAttributeKey, buffer, sizeof buffer), buffer);
}

std::optional<std::uint32_t> storedAttributes(int fd) {
    char buffer[32];
    return parseAttributes(fgetxattr(fd, kAttributeKey, buffer, sizeof buffer), buffer);
}

// Windows' rule for replacing a file: the new file must keep the old one's hidden and system bits,
// and a read-only file is never replaced.
bool replacementAllowed(std::uint32_t existing, std::uint32_t requested) {
    if (existing & kReadOnly)
        return false;
    return ((existing & (kHidden | kSystem)) & ~requested) == 0;
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

// A new, empty temporary beside `name` in `folder`, never a name that already exists.
OpenFile createTemporary(int folder, const std::string& name, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    std::random_device device;
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix;
        unsigned value = device() ^ (counter++ * 2654435761u);
        for (int i = 0; i < 6; ++i) {
            suffix += kLetters[value % 36];
            value /= 36;
        }
        temporary = "." + name + "." + suffix;
        int fd = ::openat(folder, temporary.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return OpenFile(fd);
    }
    return OpenFile();
}

// The write itself, on the entry `name` of `folder`, never following a link there.
bool writeAt(int folder, const std::string& name, std::span<const unsigned char> bytes,
             std::uint32_t attributes) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
        errno = EINVAL;
        return false;
    }
    mode_t mode = 0666;
    struct stat info {};
    const bool exists = ::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno != ENOENT)
        return false;
    if (exists && !S_ISLNK(info.st_mode)) {
        if (!S_ISREG(info.st_mode)) {
            errno = EISDIR;
            return false;
        }
        OpenFile existing(
            ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!existing || ::fstat(existing.get(), &info) != 0 || !S_ISREG(info.st_mode))
            return false;
        auto stored = storedAttributes(existing.get());
        if (!stored || !replacementAllowed(*stored, attributes))
            return false;
        mode = info.st_mode & 07777;
    } else {
        // New, or a link that the new file replaces.
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }

    // A temporary beside the target, on the disk before it is renamed over it: a failed write or
    // a crash leaves the old file whole.
    std::string temporary;
    OpenFile file = createTemporary(folder, name, temporary);
    if (!file)
        return false;
    bool ok = ::fchmod(file.get(), mode) == 0 && writeAll(file.get(), bytes.data(), bytes.size());
    if (ok && attributes != kNormal) {
        std::string value = std::to_string(attributes);
        ok = ::fsetxattr(file.get(), kAttributeKey, value.data(), value.size(), 0) == 0;
    }
    ok = ok && ::fsync(file.get()) == 0;
    ok = (::close(file.release()) == 0) && ok;
    if (ok)
        ok = ::renameat(folder, temporary.c_str(), folder, name.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        ::unlinkat(folder, temporary.c_str(), 0);
        errno = error;
        return false;
    }
    // The rename itself reaches the disk with the folder.
    if (OpenFile self{::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)})
        ::fsync(self.get());
    return true;
}

}  // namespace

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

OpenFile::~OpenFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

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
    const OpenFile folder = openFolder(folderOf(target));
    return folder && writeAt(folder.get(), nameOf(target), bytes, attributes);
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

OpenFile openFolder(const std::string& path) {
    return OpenFile(::open(path.empty() ? "." : path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
}

bool writeFileIn(const OpenFile& folder, const std::string& name,
                 std::span<const unsigned char> bytes, std::uint32_t attributes) {
    return folder && writeAt(folder.get(), name, bytes, attributes);
}

OpenFile openRegularIn(const OpenFile& folder, const std::string& name) {
    if (!folder || name.empty() || name.find('/') != std::string::npos)
        return OpenFile();
    OpenFile file(
        ::openat(folder.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!file || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return OpenFile();
    return file;
}

bool setAttributesIn(const OpenFile& folder, const std::string& name, std::uint32_t attributes) {
    const OpenFile file = openRegularIn(folder, name);
    if (!file)
        return false;
    if (attributes == kNormal)
        return ::fremovexattr(file.get(), kAttributeKey) == 0 || errno == ENODATA;
    std::string value = std::to_string(attributes);
    return ::fsetxattr(file.get(), kAttributeKey, value.data(), value.size(), 0) == 0;
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
