// Files: whole-file writes that honour the hidden/system attributes, and the program's folders.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
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

// Creates or replaces the file whole with `bytes`, giving it `attributes`. Refused (false, file
// unchanged) when the existing file is read-only, or is hidden or system while `attributes` lacks
// that bit. The new content appears at once or not at all.
bool writeFile(const Text& path, std::span<const unsigned char> bytes,
               std::uint32_t attributes = kNormal);
bool writeFile(const Text& path, std::string_view bytes, std::uint32_t attributes = kNormal);

// Stores `attributes` for an existing file; false when the file is missing or the file system
// keeps no extended attributes.
bool setAttributes(const Text& path, std::uint32_t attributes);

// The stored attributes (kNormal when none are stored); nullopt when the file does not exist.
std::optional<std::uint32_t> attributes(const Text& path);

// The process's current directory; empty text when it cannot be read (for example when it has
// been deleted).
Text currentDirectory();

// The user's desktop folder (XDG user dirs, else $HOME/Desktop), made when missing; empty text
// when no location is known.
Text desktopFolder();

}  // namespace quelvo::files
