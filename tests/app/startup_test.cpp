// The real program, run in child processes from prepared folders: first run, later runs, a
// damaged skin, and folders that cannot be written.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

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

// Runs the program with `--exit-after-shown` from `folder`, collecting both outputs.
ChildRun runQuelvo(const fs::path& folder) {
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        if (::chdir(folder.c_str()) != 0)
            ::_exit(127);
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

std::optional<std::uint32_t> attributesOf(const fs::path& path) {
    return files::attributes(Text::fromUtf8(path.string()));
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

// A folder that cannot be written and holds no library: the bind of SkinH_AttachEx is the fatal
// error, reported on standard error with both names, and the window is never shown.
struct UnwritableFolder {
    const char* name;
    std::function<std::optional<fs::path>(const fs::path& temporary)> make;
};

class FatalStartTest : public StartupTest,
                       public ::testing::WithParamInterface<UnwritableFolder> {};

TEST_P(FatalStartTest, StopsWithTheFatalErrorOfTheLibraryBinding) {
    const std::optional<fs::path> folder = GetParam().make(m_folder);
    if (!folder)
        GTEST_SKIP() << "cannot make a folder unwritable here";
    const ChildRun run = runQuelvo(*folder);
    EXPECT_EQ(run.exitStatus, 3) << run.err;
    EXPECT_NE(run.err.find("jedata.dll"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("SkinH_AttachEx"), std::string::npos) << run.err;
    EXPECT_FALSE(styleSheetBytes(run).has_value()) << run.out;
    EXPECT_FALSE(fs::exists(*folder / "jedata.dll"));
}

INSTANTIATE_TEST_SUITE_P(
    Startup, FatalStartTest,
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

}  // namespace
}  // namespace quelvo
