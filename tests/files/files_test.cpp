// Files: whole-file writes, the hidden/system refusal rule, attributes, and the program's folders.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <string>

#include "platform/files/files.h"

namespace quelvo::files {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The attribute value as stored on disk, read without our layer.
std::optional<std::string> rawAttribute(const fs::path& path) {
    char buffer[32];
    ssize_t n = ::getxattr(path.c_str(), kAttributeKey, buffer, sizeof buffer);
    if (n < 0)
        return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(n));
}

Text textOf(const fs::path& path) {
    return Text::fromUtf8(path.string());
}

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quelvo-files-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_folder = pattern;
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // The folder's entries: a failed or finished write leaves no temporary behind.
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_folder), {}));
    }

    fs::path m_folder;
};

TEST_F(FilesTest, WriteCreatesThenReplacesTheWholeFile) {
    const fs::path file = m_folder / "data.bin";
    const std::string first("long first content\0with a zero", 30);
    ASSERT_TRUE(writeFile(textOf(file), first));
    EXPECT_EQ(readAll(file), first);
    EXPECT_EQ(attributes(textOf(file)), kNormal);
    EXPECT_FALSE(rawAttribute(file).has_value());

    ASSERT_TRUE(writeFile(textOf(file), std::string_view("short")));
    EXPECT_EQ(readAll(file), "short");
    ASSERT_TRUE(writeFile(textOf(file), std::string_view()));
    EXPECT_EQ(fs::file_size(file), 0u);
    EXPECT_EQ(entries(), 1u);
}

TEST_F(FilesTest, NamesAreGb18030TextsAndUtf8OnDisk) {
    const Text name = textOf(m_folder) + "/皮肤.she"_t;
    ASSERT_NE(name.bytes().find("\xC6\xA4"), std::string::npos);  // 皮 in GB18030
    ASSERT_TRUE(writeFile(name, std::string_view(".SHE")));
    EXPECT_EQ(readAll(m_folder / "皮肤.she"), ".SHE");
    EXPECT_TRUE(setAttributes(name, kHidden | kSystem));
    EXPECT_EQ(rawAttribute(m_folder / "皮肤.she"), "6");
}

struct ReplaceCase {
    const char* name;
    std::uint32_t existing;
    std::uint32_t requested;
    bool allowed;
};

class ReplaceRuleTest : public FilesTest, public ::testing::WithParamInterface<ReplaceCase> {};

// The second run of the program depends on this: a normal write onto a hidden or system file is
// refused and the file stays exactly as it was.
TEST_P(ReplaceRuleTest, HonoursTheExistingAttributes) {
    const ReplaceCase& c = GetParam();
    const fs::path file = m_folder / "jedata.dll";
    ASSERT_TRUE(writeFile(textOf(file), std::string_view("old bytes")));
    ASSERT_TRUE(setAttributes(textOf(file), c.existing));
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);

    EXPECT_EQ(writeFile(textOf(file), std::string_view("new"), c.requested), c.allowed);

    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    if (c.allowed) {
        EXPECT_EQ(readAll(file), "new");
        EXPECT_EQ(attributes(textOf(file)), c.requested);
    } else {
        EXPECT_EQ(readAll(file), "old bytes");
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(attributes(textOf(file)), c.existing);
    }
    EXPECT_EQ(entries(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Files, ReplaceRuleTest,
                         ::testing::Values(ReplaceCase{"NormalOverNormal", 0, 0, true},
                                           ReplaceCase{"NormalOverHidden", kHidden, 0, false},
                                           ReplaceCase{"NormalOverSystem", kSystem, 0, false},
                                           ReplaceCase{"NormalOverHiddenSystem", 6, 0, false},
                                           ReplaceCase{"HiddenSystemOverHiddenSystem", 6, 6, true},
                                           ReplaceCase{"HiddenSystemOverHidden", kHidden, 6, true},
                                           ReplaceCase{"HiddenOverHiddenSystem", 6, kHidden, false},
                                           ReplaceCase{"ArchiveBitOnlyOverNormal", 32, 0, true},
                                           ReplaceCase{"NormalOverReadOnly", kReadOnly, 0, false},
                                           ReplaceCase{"ReadOnlyOverReadOnly", kReadOnly, kReadOnly,
                                                       false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FilesTest, FailedWritesReportFalseAndLeaveNothingBehind) {
    const fs::path plainFile = m_folder / "plain";
    ASSERT_TRUE(writeFile(textOf(plainFile), std::string_view("x")));
    fs::create_directory(m_folder / "folder");

    EXPECT_FALSE(writeFile(textOf(m_folder / "missing" / "f"), std::string_view("x")));
    EXPECT_FALSE(writeFile(textOf(plainFile / "child"), std::string_view("x")));
    EXPECT_FALSE(writeFile(textOf(m_folder / "folder"), std::string_view("x")));
    EXPECT_FALSE(writeFile(Text(), std::string_view("x")));
    EXPECT_TRUE(fs::is_directory(m_folder / "folder"));
    EXPECT_EQ(entries(), 2u);
}

// The desktop save: a link the user made in their own desktop folder is written through.
TEST_F(FilesTest, WriteByPathThroughALinkReplacesTheFileItNames) {
    const fs::path target = m_folder / "target";
    const fs::path link = m_folder / "link";
    ASSERT_TRUE(writeFile(textOf(target), std::string_view("before")));
    fs::create_symlink(target, link);
    ASSERT_TRUE(writeFile(textOf(link), std::string_view("after")));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readAll(target), "after");
}

std::span<const unsigned char> bytesOf(std::string_view text) {
    return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

// The carried files: whatever is planted at the name in the folder is never followed. A link is
// replaced by the new file (and cannot carry the mark that refuses it); the file it names, even
// one marked hidden and system, keeps its bytes.
TEST_F(FilesTest, WriteInAFolderReplacesALinkAndNeverWritesItsTarget) {
    const fs::path elsewhere = m_folder / "elsewhere";
    fs::create_directory(elsewhere);
    const fs::path marked = elsewhere / "marked";
    ASSERT_TRUE(writeFile(textOf(marked), std::string_view("precious"), 6));
    const fs::path plain = elsewhere / "plain";
    ASSERT_TRUE(writeFile(textOf(plain), std::string_view("precious")));
    const fs::path folder = m_folder / "start";
    fs::create_directory(folder);
    const OpenFile opened = openFolder(folder.string());
    ASSERT_TRUE(opened);

    const struct {
        const char* name;
        fs::path target;
    } cases[] = {{"to-plain", plain}, {"to-marked", marked}, {"dangling", elsewhere / "none"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_symlink(c.target, folder / c.name);
        EXPECT_FALSE(setAttributesIn(opened, c.name, 6));
        EXPECT_FALSE(openRegularIn(opened, c.name));
        ASSERT_TRUE(writeFileIn(opened, c.name, bytesOf("ours")));
        EXPECT_FALSE(fs::is_symlink(folder / c.name));
        EXPECT_EQ(readAll(folder / c.name), "ours");
        EXPECT_TRUE(setAttributesIn(opened, c.name, 6));
        EXPECT_EQ(rawAttribute(folder / c.name), "6");
    }
    EXPECT_EQ(readAll(plain), "precious");
    EXPECT_EQ(readAll(marked), "precious");
    EXPECT_FALSE(fs::exists(elsewhere / "none"));
}

// A folder or a pipe planted at the name refuses the write at once and stays; the hidden/system
// rule holds inside a folder as it does by path.
TEST_F(FilesTest, WriteInAFolderRefusesOtherKindsAndKeepsTheRule) {
    const OpenFile opened = openFolder(m_folder.string());
    ASSERT_TRUE(opened);
    fs::create_directory(m_folder / "folder");
    ASSERT_EQ(::mkfifo((m_folder / "pipe").c_str(), 0600), 0);
    for (const char* name : {"folder", "pipe", "", ".", "..", "a/b"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(writeFileIn(opened, name, bytesOf("x")));
        EXPECT_FALSE(openRegularIn(opened, name));
    }
    EXPECT_TRUE(fs::is_directory(m_folder / "folder"));
    EXPECT_TRUE(fs::is_fifo(m_folder / "pipe"));

    ASSERT_TRUE(writeFileIn(opened, "f", bytesOf("first")));
    ASSERT_TRUE(setAttributesIn(opened, "f", 6));
    EXPECT_FALSE(writeFileIn(opened, "f", bytesOf("second")));
    EXPECT_EQ(readAll(m_folder / "f"), "first");
    EXPECT_FALSE(writeFileIn(OpenFile(), "g", bytesOf("x")));
    EXPECT_EQ(entries(), 3u);
}

// A folder whose name is not UTF-8 (GBK bytes) is opened and written by its bytes.
TEST_F(FilesTest, FolderNamedInGbkBytesIsWritten) {
    const fs::path folder = m_folder / "\xC6\xA4\xB7\xF4";
    fs::create_directory(folder);
    const OpenFile opened = openFolder(folder.string());
    ASSERT_TRUE(opened);
    ASSERT_TRUE(writeFileIn(opened, "皮肤.she", bytesOf(".SHE")));
    EXPECT_EQ(readAll(folder / "皮肤.she"), ".SHE");
}

// Renamed into place only once on the disk: the new bytes are synced before the rename, the
// folder after it. Watched with strace on a small writer program.
TEST_F(FilesTest, WriteSyncsTheFileBeforeTheRenameAndTheFolderAfter) {
    if (::access("/usr/bin/strace", X_OK) != 0)
        GTEST_SKIP() << "strace is not installed";
    const fs::path file = m_folder / "picture.gif";
    const fs::path trace = m_folder / "trace";
    const std::string command = "/usr/bin/strace -f -qq -o '" + trace.string() +
                                "' -e trace=fsync,fdatasync,rename,renameat,renameat2 '" +
                                QUELVO_FILES_WRITER + "' '" + file.string() + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    if (status != 0)
        GTEST_SKIP() << "strace cannot trace here (" << status << ")";
    ASSERT_EQ(readAll(file), "written");
    const std::string calls = readAll(trace);
    const std::size_t rename = calls.find("rename");
    ASSERT_NE(rename, std::string::npos) << calls;
    EXPECT_NE(calls.rfind("fsync(", rename), std::string::npos) << calls;
    EXPECT_NE(calls.find("fsync(", rename), std::string::npos) << calls;
}

TEST_F(FilesTest, AttributesAreStoredReadAndCleared) {
    const fs::path file = m_folder / "f";
    EXPECT_FALSE(setAttributes(textOf(file), 6));
    EXPECT_EQ(attributes(textOf(file)), std::nullopt);

    ASSERT_TRUE(writeFile(textOf(file), std::string_view("x")));
    EXPECT_TRUE(setAttributes(textOf(file), 6));
    EXPECT_EQ(attributes(textOf(file)), 6u);
    EXPECT_TRUE(setAttributes(textOf(file), 6));  // again: nothing changes
    EXPECT_EQ(attributes(textOf(file)), 6u);
    EXPECT_TRUE(setAttributes(textOf(file), kNormal));
    EXPECT_FALSE(rawAttribute(file).has_value());
    EXPECT_EQ(attributes(textOf(file)), kNormal);

    // A value written by hand that is not a number reads as normal, not as garbage bits.
    ASSERT_EQ(::setxattr(file.c_str(), kAttributeKey, "junk", 4, 0), 0);
    EXPECT_EQ(attributes(textOf(file)), kNormal);
}

TEST_F(FilesTest, WriteCanGiveAttributesAtOnce) {
    const fs::path file = m_folder / "f";
    ASSERT_TRUE(writeFile(textOf(file), std::string_view("x"), kHidden | kSystem));
    EXPECT_EQ(rawAttribute(file), "6");
}

// Restores the current directory after a test moves it.
class CurrentDirectoryTest : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        m_saved = ::open(".", O_RDONLY | O_DIRECTORY);
        ASSERT_GE(m_saved, 0);
    }
    void TearDown() override {
        EXPECT_EQ(::fchdir(m_saved), 0);
        ::close(m_saved);
        FilesTest::TearDown();
    }
    int m_saved = -1;
};

TEST_F(CurrentDirectoryTest, IsTheProcessFolderOrEmptyWhenItIsGone) {
    const fs::path named = m_folder / "当前";
    fs::create_directory(named);
    ASSERT_EQ(::chdir(named.c_str()), 0);
    EXPECT_EQ(currentDirectory().toUtf8(), fs::canonical(named).string());

    ASSERT_EQ(::rmdir(named.c_str()), 0);
    EXPECT_TRUE(currentDirectory().empty());
}

// Points the XDG lookup at a temporary home for one test.
class DesktopTest : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        save("HOME");
        save("XDG_CONFIG_HOME");
        ::setenv("HOME", m_folder.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (m_folder / "config").c_str(), 1);
        fs::create_directory(m_folder / "config");
    }
    void TearDown() override {
        for (auto& [name, value] : m_saved) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
        FilesTest::TearDown();
    }
    void save(const char* name) {
        const char* value = std::getenv(name);
        m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST_F(DesktopTest, FollowsUserDirsAndIsMadeWhenMissing) {
    std::ofstream(m_folder / "config" / "user-dirs.dirs") << "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n";
    const Text desktop = desktopFolder();
    EXPECT_EQ(desktop.toUtf8(), (m_folder / "桌面").string());
    EXPECT_TRUE(fs::is_directory(m_folder / "桌面"));
}

TEST_F(DesktopTest, DefaultsToDesktopInHome) {
    EXPECT_EQ(desktopFolder().toUtf8(), (m_folder / "Desktop").string());
    EXPECT_TRUE(fs::is_directory(m_folder / "Desktop"));
}

}  // namespace
}  // namespace quelvo::files
