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

TEST_F(FilesTest, WriteThroughALinkReplacesTheFileItNames) {
    const fs::path target = m_folder / "target";
    const fs::path link = m_folder / "link";
    ASSERT_TRUE(writeFile(textOf(target), std::string_view("before")));
    fs::create_symlink(target, link);
    ASSERT_TRUE(writeFile(textOf(link), std::string_view("after")));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readAll(target), "after");
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
