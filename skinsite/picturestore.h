// The finished pictures on disk: <dataDir>/bg/<QQ>.gif, written through a synced temporary file and
// a rename, at most a fixed number of them (the oldest goes first).
#pragma once

#include <cstddef>
#include <filesystem>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace quelvo::skinsite {

class PictureStore {
public:
    // `maxPictures` below 1 counts as 1: a stored picture must survive until it is fetched.
    PictureStore(std::filesystem::path dataDir, std::size_t maxPictures);

    // Makes the picture folder, removes temporary files a crash left behind and takes in the
    // pictures already there (oldest by modification time first). False with `error` set on
    // failure.
    bool open(std::string* error = nullptr);

    // Stores `gif` for `qq` (a checked QQ number), replacing an earlier picture; the bytes are on
    // the disk before it returns true. False when the file could not be written; the earlier
    // picture is gone then too, and nothing is left behind.
    bool put(const std::string& qq, const std::string& gif);

    // Removes the picture of `qq`, if there is one.
    void remove(const std::string& qq);

    // The stored picture, if any; `qq` must be a checked QQ number.
    std::optional<std::string> get(const std::string& qq) const;

    std::size_t count() const;
    const std::filesystem::path& folder() const { return m_folder; }

private:
    std::filesystem::path pathOf(const std::string& qq) const;
    void remember(const std::string& qq);
    // Makes a rename in the folder durable.
    void syncFolder() const;

    std::filesystem::path m_folder;
    std::size_t m_maxPictures;
    mutable std::mutex m_mutex;
    std::list<std::string> m_order;  // oldest first
    std::unordered_map<std::string, std::list<std::string>::iterator> m_where;
};

}  // namespace quelvo::skinsite
