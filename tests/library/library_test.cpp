// Run-time binding: loading once, unloading at the end, and the fatal error when binding fails.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/library/library.h"
#include "skinengine/skinformat.h"

namespace quelvo::library {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::HasSubstr;

using Attach = int(const char*, const char*);

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quelvo-library-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_folder = pattern;
        // The engine under the name the program gives it.
        fs::copy_file(QUELVO_SKINENGINE_PATH, m_folder / "jedata.dll");
    }
    void TearDown() override {
        unloadAll();
        fs::remove_all(m_folder);
    }
    Text path(const char* name) const { return Text::fromUtf8((m_folder / name).string()); }

    fs::path m_folder;
};

TEST_F(LibraryTest, LoadsAtFirstBindAndKeepsTheLibraryUntilUnloadAll) {
    ASSERT_EQ(loadedCount(), 0u);
    auto* attach = bind<Attach>(path("jedata.dll"), "SkinH_AttachEx");
    ASSERT_NE(attach, nullptr);
    EXPECT_EQ(loadedCount(), 1u);
    // A real call into the library: no path is the engine's "unreadable" answer.
    EXPECT_EQ(attach(nullptr, ""), static_cast<int>(skin::SkinError::Unreadable));

    EXPECT_EQ(bind<Attach>(path("jedata.dll"), "SkinH_AttachEx"), attach);
    EXPECT_EQ(loadedCount(), 1u);

    unloadAll();
    EXPECT_EQ(loadedCount(), 0u);
    // Once unloaded, the loader no longer holds it.
    EXPECT_EQ(::dlopen(path("jedata.dll").toUtf8().c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
    EXPECT_NE(bind<Attach>(path("jedata.dll"), "SkinH_AttachEx"), nullptr);
    EXPECT_EQ(loadedCount(), 1u);
}

// Binding from an open file or from bytes in memory: nothing is looked up by a name again, a
// library without the export is unloaded at once and reported, and unloadAll takes both.
TEST_F(LibraryTest, BindsFromAnOpenFileAndFromBytesWithoutStopping) {
    std::ifstream in(m_folder / "jedata.dll", std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    const int fd = ::open((m_folder / "jedata.dll").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::string reason;

    auto* fromFile = reinterpret_cast<Attach*>(bindFunctionInFile(fd, "SkinH_AttachEx", reason));
    ::close(fd);
    ASSERT_NE(fromFile, nullptr) << reason;
    EXPECT_EQ(fromFile(nullptr, ""), static_cast<int>(skin::SkinError::Unreadable));
    auto* fromBytes =
        reinterpret_cast<Attach*>(bindFunctionInBytes(bytes, "SkinH_AttachEx", reason));
    ASSERT_NE(fromBytes, nullptr) << reason;
    EXPECT_EQ(fromBytes(nullptr, ""), static_cast<int>(skin::SkinError::Unreadable));
    EXPECT_EQ(loadedCount(), 2u);

    EXPECT_EQ(bindFunctionInBytes(bytes, "NoSuchExport", reason), nullptr);
    EXPECT_THAT(reason, HasSubstr("NoSuchExport"));
    const std::vector<unsigned char> junk(4096, 0x90);
    EXPECT_EQ(bindFunctionInBytes(junk, "SkinH_AttachEx", reason), nullptr);
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(bindFunctionInFile(-1, "SkinH_AttachEx", reason), nullptr);
    EXPECT_EQ(loadedCount(), 2u);

    unloadAll();
    EXPECT_EQ(loadedCount(), 0u);
}

TEST_F(LibraryTest, OnlyTheEngineExportIsVisible) {
    // Our static libraries inside the engine stay private to it.
    void* handle = ::dlopen(path("jedata.dll").toUtf8().c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr);
    EXPECT_NE(::dlsym(handle, "SkinH_AttachEx"), nullptr);
    EXPECT_EQ(::dlsym(handle, "_ZN6quelvo4skin5crc32ESt17basic_string_viewIcSt11char_traitsIcEE"),
              nullptr);
    ::dlclose(handle);
}

struct FatalCase {
    const char* name;
    const char* file;
    const char* function;
};

// No fixture: a death test's child runs the set-up again and never its tear-down.
class FatalBindTest : public ::testing::TestWithParam<FatalCase> {};

// The report names both the library file and the function, and the process ends with the fatal
// status, not a crash.
TEST_P(FatalBindTest, StopsWithAReportNamingLibraryAndFunction) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const FatalCase& c = GetParam();
    EXPECT_EXIT(bind<Attach>(Text::fromUtf8(c.file), c.function),
                ::testing::ExitedWithCode(kFatalExitStatus),
                AllOf(HasSubstr(c.file), HasSubstr(c.function), HasSubstr("fatal error")));
}

INSTANTIATE_TEST_SUITE_P(
    Library, FatalBindTest,
    ::testing::Values(FatalCase{"MissingLibrary", "/nonexistent-quelvo-folder/jedata.dll",
                                "SkinH_AttachEx"},
                      FatalCase{"MissingExport", QUELVO_SKINENGINE_PATH, "SkinH_Detach"},
                      // This test's own source: a file, but no shared object.
                      FatalCase{"NotALibrary", __FILE__, "SkinH_AttachEx"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quelvo::library
