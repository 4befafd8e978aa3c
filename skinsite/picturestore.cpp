// Writes go to a temporary file in the same folder and are renamed into place, so a reader sees
// either the old picture or the new one, never a part.
#include "skinsite/picturestore.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <vector>

#include "skinsite/formcheck.h"

namespace quelvo::skinsite {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view tempPrefix = ".part-";

std::atomic<unsigned> g_tempCounter{0};

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

PictureStore::PictureStore(fs::path dataDir, std::size_t maxPictures)
    : m_folder(std::move(dataDir) / "bg"), m_maxPictures(std::max<std::size_t>(maxPictures, 1)) {}

bool PictureStore::open(std::string* error) {
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    if (ec || !fs::is_directory(m_folder, ec)) {
        if (error)
            *error = "cannot make " + m_folder.string() + ": " + ec.message();
        return false;
    }

    struct Found {
        fs::file_time_type time;
        std::string qq;
    };
    std::vector<Found> found;
    fs::directory_iterator it(m_folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code ignored;
        if (name.starts_with(tempPrefix)) {
            fs::remove(it->path(), ignored);
            continue;
        }
        if (!it->is_regular_file(ignored) || !name.ends_with(".gif"))
            continue;
        std::string qq = name.substr(0, name.size() - 4);
        if (!isValidQq(qq))
            continue;
        found.push_back({it->last_write_time(ignored), std::move(qq)});
    }
    if (ec) {
        if (error)
            *error = "cannot read " + m_folder.string() + ": " + ec.message();
        return false;
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.time != b.time ? a.time < b.time : a.qq < b.qq;
    });

    std::lock_guard lock(m_mutex);
    m_order.clear();
    m_where.clear();
    for (const Found& f : found)
        remember(f.qq);
    return true;
}

fs::path PictureStore::pathOf(const std::string& qq) const {
    return m_folder / (qq + ".gif");
}

void PictureStore::syncFolder() const {
    const int fd = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void PictureStore::remember(const std::string& qq) {
    auto it = m_where.find(qq);
    if (it != m_where.end())
        m_order.erase(it->second);
    m_order.push_back(qq);
    m_where[qq] = std::prev(m_order.end());
    while (m_order.size() > m_maxPictures) {
        std::error_code ec;
        fs::remove(pathOf(m_order.front()), ec);
        m_where.erase(m_order.front());
        m_order.pop_front();
    }
}

void PictureStore::remove(const std::string& qq) {
    if (!isValidQq(qq))
        return;
    std::lock_guard lock(m_mutex);
    std::error_code ec;
    fs::remove(pathOf(qq), ec);
    auto it = m_where.find(qq);
    if (it != m_where.end()) {
        m_order.erase(it->second);
        m_where.erase(it);
    }
}

bool PictureStore::put(const std::string& qq, const std::string& gif) {
    if (!isValidQq(qq))
        return false;
    // Whatever fails below, the number's old picture must not pass for the new one.
    auto failed = [this, &qq] {
        remove(qq);
        return false;
    };

    fs::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = m_folder / (std::string(tempPrefix) + std::to_string(::getpid()) + "-" +
                           std::to_string(g_tempCounter++) + ".gif");
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0 && errno != EEXIST)
            return failed();
    }
    if (fd < 0)
        return failed();
    // Synced before the rename: after a crash the name holds the whole new picture or the old.
    bool written = writeAll(fd, gif) && ::fsync(fd) == 0;
    written = (::close(fd) == 0) && written;
    std::error_code ec;
    if (!written) {
        fs::remove(temp, ec);
        return failed();
    }

    {
        // The rename and the bookkeeping happen together, so the order on disk and in memory
        // agree.
        std::lock_guard lock(m_mutex);
        if (::rename(temp.c_str(), pathOf(qq).c_str()) == 0) {
            remember(qq);
            syncFolder();
            return true;
        }
    }
    fs::remove(temp, ec);
    return failed();
}

std::optional<std::string> PictureStore::get(const std::string& qq) const {
    if (!isValidQq(qq))
        return std::nullopt;
    std::ifstream in(pathOf(qq), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

std::size_t PictureStore::count() const {
    std::lock_guard lock(m_mutex);
    return m_order.size();
}

}  // namespace quelvo::skinsite
