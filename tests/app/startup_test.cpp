// The real program, run in child processes from prepared folders: first run, later runs, a
// damaged skin, and folders that cannot be written.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/filter.h>
#include <linux/fs.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <regex>
#include <string>

#include "filetools.h"
#include "platform/files/files.h"
#include "resources/resources.h"

namespace quelvo {
namespace {

namespace fs = std::filesystem;

struct ChildRun {
    int exitStatus = -1;  // -1 when the child did not exit normally
    std::string out;
    std::string err;
};

// Runs the program with `--exit-after-shown` from `folder`, collecting both outputs; `inChild`
// runs in the child just before the program starts.
ChildRun runQuelvo(const fs::path& folder, const std::function<void()>& inChild = {}) {
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        if (::chdir(folder.c_str()) != 0)
            ::_exit(127);
        if (inChild)
            inChild();
        const char* argv[] = {QUELVO_EXECUTABLE, "--exit-after-shown", nullptr};
        ::execv(QUELVO_EXECUTABLE, const_cast<char* const*>(argv));
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    ChildRun run;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = 2;
    while (open > 0 && ::poll(fds, 2, 30000) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    if (open > 0)
        ::kill(pid, SIGKILL);  // hung: the status below tells
    for (pollfd& fd : fds) {
        if (fd.fd >= 0)
            ::close(fd.fd);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The size of the application's style sheet when the window was shown; nullopt: never shown.
std::optional<long> styleSheetBytes(const ChildRun& run) {
    std::smatch match;
    static const std::regex pattern(R"re("style_sheet_bytes": ([0-9]+))re");
    if (!std::regex_search(run.out, match, pattern))
        return std::nullopt;
    return std::stol(match[1]);
}

using test::bytesOf;
using test::inodeOf;
using test::readAll;

// Read without the program's layer: the path may be any bytes.
std::optional<std::uint32_t> attributesOf(const fs::path& path) {
    if (!fs::exists(path))
        return std::nullopt;
    char buffer[32] = {};
    const ssize_t n = ::getxattr(path.c_str(), files::kAttributeKey, buffer, sizeof buffer - 1);
    return n > 0 ? static_cast<std::uint32_t>(std::strtoul(buffer, nullptr, 10)) : 0u;
}

// Makes a folder that nobody, root included, can write into: the immutable flag on ext4 and
// similar file systems; for a normal user a read-only mode does the same.
bool makeUnwritable(const fs::path& folder, bool on) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    if (!ok && ::geteuid() != 0)
        ok = ::chmod(folder.c_str(), on ? 0555 : 0755) == 0;
    return ok;
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quelvo-startup-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_folder = pattern;
    }
    void TearDown() override {
        makeUnwritable(m_folder, false);
        fs::remove_all(m_folder);
    }
    fs::path library() const { return m_folder / "jedata.dll"; }
    fs::path skin() const { return m_folder / "皮肤.she"; }

    fs::path m_folder;
};

TEST_F(StartupTest, FirstRunWritesBothFilesHiddenAndSystemAndSkinsTheWindow) {
    const ChildRun run = runQuelvo(m_folder);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_GT(styleSheetBytes(run).value_or(0), 0) << run.out;
    EXPECT_EQ(readAll(library()), bytesOf(resources::skinEngineLibrary()));
    EXPECT_EQ(readAll(skin()), bytesOf(resources::skinFile()));
    EXPECT_EQ(attributesOf(library()), 6u);
    EXPECT_EQ(attributesOf(skin()), 6u);
    // Nothing else is left in the folder (no temporaries of the writes).
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder), {}), 2);
}

TEST_F(StartupTest, SecondRunReusesTheFirstRunsCopiesUntouched) {
    ASSERT_EQ(runQuelvo(m_folder).exitStatus, 0);
    const ino_t libraryInode = inodeOf(library());
    const ino_t skinInode = inodeOf(skin());

    const ChildRun second = runQuelvo(m_folder);
    ASSERT_EQ(second.exitStatus, 0) << second.err;
    EXPECT_GT(styleSheetBytes(second).value_or(0), 0);
    // Refused writes: the very same files, not replacements with equal bytes.
    EXPECT_EQ(inodeOf(library()), libraryInode);
    EXPECT_EQ(inodeOf(skin()), skinInode);
    EXPECT_EQ(attributesOf(skin()), 6u);
}

struct PlacedSkin {
    const char* name;
    std::uint32_t attributes;  // of the damaged skin file found in the folder
    bool keptDamaged;
};

class PlacedSkinTest : public StartupTest, public ::testing::WithParamInterface<PlacedSkin> {};

// A damaged skin the program may not replace stays, and the windows keep their plain look; one it
// may replace is replaced and the skin applies.
TEST_P(PlacedSkinTest, DecidesTheLook) {
    const std::string damaged = "not a skin at all";
    std::ofstream(skin(), std::ios::binary) << damaged;
    ASSERT_TRUE(files::setAttributes(Text::fromUtf8(skin().string()), GetParam().attributes));

    const ChildRun run = runQuelvo(m_folder);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    if (GetParam().keptDamaged) {
        EXPECT_EQ(readAll(skin()), damaged);
        EXPECT_EQ(styleSheetBytes(run), 0);
    } else {
        EXPECT_EQ(readAll(skin()), bytesOf(resources::skinFile()));
        EXPECT_GT(styleSheetBytes(run).value_or(0), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Startup, PlacedSkinTest,
                         ::testing::Values(PlacedSkin{"HiddenSystem", 6, true},
                                           PlacedSkin{"HiddenOnly", 2, true},
                                           PlacedSkin{"Normal", 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartupTest, UnwritableFolderWithAnEarlierRunsCopiesStillSkins) {
    ASSERT_EQ(runQuelvo(m_folder).exitStatus, 0);
    if (!makeUnwritable(m_folder, true))
        GTEST_SKIP() << "cannot make a folder unwritable here";
    const ChildRun run = runQuelvo(m_folder);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_GT(styleSheetBytes(run).value_or(0), 0);
}

// A folder that cannot be written and holds no library: the engine comes from memory and nothing
// is left in the folder; without a skin file the windows keep their plain look.
struct UnwritableFolder {
    const char* name;
    std::function<std::optional<fs::path>(const fs::path& temporary)> make;
};

class UnwritableStartTest : public StartupTest,
                            public ::testing::WithParamInterface<UnwritableFolder> {};

TEST_P(UnwritableStartTest, StartsWithTheEngineFromMemory) {
    const std::optional<fs::path> folder = GetParam().make(m_folder);
    if (!folder)
        GTEST_SKIP() << "cannot make a folder unwritable here";
    const ChildRun run = runQuelvo(*folder);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(styleSheetBytes(run), 0) << run.out;
    EXPECT_FALSE(fs::exists(*folder / "jedata.dll"));
}

INSTANTIATE_TEST_SUITE_P(
    Startup, UnwritableStartTest,
    ::testing::Values(
        // Our own folder, made immutable (or read-only for a normal user).
        UnwritableFolder{"ImmutableFolder",
                         [](const fs::path& temporary) -> std::optional<fs::path> {
                             if (!makeUnwritable(temporary, true))
                                 return std::nullopt;
                             return temporary;
                         }},
        // procfs refuses new files to everyone.
        UnwritableFolder{"Procfs",
                         [](const fs::path&) -> std::optional<fs::path> { return "/proc"; }}),
    [](const auto& info) { return std::string(info.param.name); });

// Memory files refused to the program (a seccomp filter) and no copy to load: no engine can be
// loaded at all, which is the fatal error of the binding, reported with both names.
void refuseMemoryFiles() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_memfd_create, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (ENOSYS & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        ::_exit(126);
}

TEST_F(StartupTest, NoLoadableEngineIsTheFatalErrorOfTheBinding) {
    const ChildRun run = runQuelvo("/proc", refuseMemoryFiles);
    ASSERT_NE(run.exitStatus, 126) << "cannot install a seccomp filter here";
    EXPECT_EQ(run.exitStatus, 3) << run.err;
    EXPECT_NE(run.err.find("jedata.dll"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("SkinH_AttachEx"), std::string::npos) << run.err;
    EXPECT_FALSE(styleSheetBytes(run).has_value()) << run.out;
}

// Someone else's library in the start folder under the engine's name, marked so that our write is
// refused, or a link there to one elsewhere: it never runs, and our own engine gives the skin.
struct PlantedLibrary {
    const char* name;
    bool asLink;
};

class PlantedLibraryTest : public StartupTest,
                           public ::testing::WithParamInterface<PlantedLibrary> {};

TEST_P(PlantedLibraryTest, IsNeverRun) {
    const std::string planted = readAll(QUELVO_PLANTED_LIBRARY);
    ASSERT_FALSE(planted.empty());
    const fs::path elsewhere = m_folder / "elsewhere";
    const fs::path start = m_folder / "start";
    fs::create_directory(elsewhere);
    fs::create_directory(start);
    const fs::path plantedCopy = GetParam().asLink ? elsewhere / "lib.so" : start / "jedata.dll";
    fs::copy_file(QUELVO_PLANTED_LIBRARY, plantedCopy);
    ASSERT_TRUE(files::setAttributes(Text::fromUtf8(plantedCopy.string()), 6));
    if (GetParam().asLink)
        fs::create_symlink(plantedCopy, start / "jedata.dll");

    const ChildRun run = runQuelvo(start);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_FALSE(fs::exists(start / "planted-ran"));
    EXPECT_GT(styleSheetBytes(run).value_or(0), 0) << run.out;
    // The planted file is left as it is; a link is replaced by our own copy.
    EXPECT_EQ(readAll(plantedCopy), planted);
    if (GetParam().asLink) {
        EXPECT_FALSE(fs::is_symlink(start / "jedata.dll"));
        EXPECT_EQ(readAll(start / "jedata.dll"), bytesOf(resources::skinEngineLibrary()));
    }
}

INSTANTIATE_TEST_SUITE_P(Startup, PlantedLibraryTest,
                         ::testing::Values(PlantedLibrary{"MarkedFile", false},
                                           PlantedLibrary{"LinkToOneElsewhere", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A start folder named in GBK bytes, which are not UTF-8: both runs write, mark and load there.
TEST_F(StartupTest, FolderNamedInGbkBytesWorks) {
    const fs::path folder = m_folder / "\xC6\xA4\xB7\xF4";  // 皮肤 in GBK
    fs::create_directory(folder);
    for (int runIndex = 0; runIndex < 2; ++runIndex) {
        SCOPED_TRACE(runIndex);
        const ChildRun run = runQuelvo(folder);
        ASSERT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_GT(styleSheetBytes(run).value_or(0), 0) << run.out;
        EXPECT_EQ(readAll(folder / "jedata.dll"), bytesOf(resources::skinEngineLibrary()));
        EXPECT_EQ(readAll(folder / "皮肤.she"), bytesOf(resources::skinFile()));
        EXPECT_EQ(attributesOf(folder / "jedata.dll"), 6u);
        EXPECT_EQ(attributesOf(folder / "皮肤.she"), 6u);
    }
}

}  // namespace
}  // namespace quelvo
