// Files: whole-file writes that honour the hidden/system attributes, and the program's folders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/text.h"

namespace quelvo::files {

// Attribute bits as the program's callers know them; 0 is a normal file.
inline constexpr std::uint32_t kNormal = 0;
inline constexpr std::uint32_t kReadOnly = 1;
inline constexpr std::uint32_t kHidden = 2;
inline constexpr std::uint32_t kSystem = 4;

// The extended attribute that keeps a file's attributes (decimal text).
inline constexpr const char* kAttributeKey = "user.quelvo.attributes";

// An open file descriptor, closed with its owner.
class OpenFile {
public:
    OpenFile() = default;
    explicit OpenFile(int fd) : m_fd(fd) {}
    ~OpenFile();
    OpenFile(OpenFile&& other) noexcept : m_fd(other.release()) {}
    OpenFile& operator=(OpenFile&& other) noexcept;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    int get() const { return m_fd; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    explicit operator bool() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Writes all of `data` to the open descriptor, going on after interrupted writes.
bool writeAll(int fd, const unsigned char* data, std::size_t size);

// Creates or replaces the file whole with `bytes`, giving it `attributes`. Refused (false, file
// unchanged) when the existing file is read-only, or is hidden or system while `attributes` lacks
// that bit. The new content is on the disk before it replaces the old, at once or not at all.
// A link at `path` is written through: the file it names is replaced (a user's own desktop link).
bool writeFile(const Text& path, std::span<const unsigned char> bytes,
               std::uint32_t attributes = kNormal);
bool writeFile(const Text& path, std::string_view bytes, std::uint32_t attributes = kNormal);

// Stores `attributes` for an existing file; false when the file is missing or the file system
// keeps no extended attributes.
bool setAttributes(const Text& path, std::uint32_t attributes);

// A folder held open for the calls below, whatever bytes its path is made of; an empty OpenFile
// when it cannot be opened.
OpenFile openFolder(const std::string& path);

// writeFile of the entry `name` inside `folder` itself: a link or anything else planted there is
// never followed. A link is replaced by the new file; a folder or special file refuses the write.
bool writeFileIn(const OpenFile& folder, const std::string& name,
                 std::span<const unsigned char> bytes, std::uint32_t attributes = kNormal);

// setAttributes of the regular file `name` inside `folder`; false for a link or any other kind.
bool setAttributesIn(const OpenFile& folder, const std::string& name, std::uint32_t attributes);

// Opens the regular file `name` inside `folder` for reading without following a link there (and
// without blocking on a pipe); an empty OpenFile for anything else.
OpenFile openRegularIn(const OpenFile& folder, const std::string& name);

// The stored attributes (kNormal when none are stored); nullopt when the file does not exist.
std::optional<std::uint32_t> attributes(const Text& path);

// The process's current directory; empty text when it cannot be read (for example when it has
// been deleted).
Text currentDirectory();

// The user's desktop folder (XDG user dirs, else $HOME/Desktop), made when missing; empty text
// when no location is known.
Text desktopFolder();

}  // namespace quelvo::files
