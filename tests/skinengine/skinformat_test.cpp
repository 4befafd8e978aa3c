// The skin file format: what packs unpacks to the same sheet; every kind of damage is caught.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "skinengine/skinformat.h"

namespace quelvo::skin {
namespace {

TEST(SkinFormat, PacksToAHeaderThenTheSheet) {
    const std::string sheet = "QPushButton { color: #fff; } /* 粉色 */";
    const std::string packed = packSkin(sheet);
    ASSERT_EQ(packed.size(), kHeaderSize + sheet.size());
    EXPECT_EQ(packed.substr(0, 4), ".SHE");
    EXPECT_EQ(packed.substr(kHeaderSize), sheet);
    const Unpacked back = unpackSkin(packed);
    EXPECT_EQ(back.error, SkinError::None);
    EXPECT_EQ(back.styleSheet, sheet);
    EXPECT_EQ(unpackSkin(packSkin("")).error, SkinError::None);
}

TEST(SkinFormat, Crc32IsTheIeeeOne) {
    EXPECT_EQ(crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(crc32(""), 0u);
}

struct Damage {
    const char* name;
    std::function<void(std::string&)> apply;
    SkinError expected;
};

class SkinDamageTest : public ::testing::TestWithParam<Damage> {};

TEST_P(SkinDamageTest, IsRefused) {
    std::string bytes = packSkin("QWidget { background: #eef5fd; }");
    GetParam().apply(bytes);
    const Unpacked result = unpackSkin(bytes);
    EXPECT_EQ(result.error, GetParam().expected);
    EXPECT_TRUE(result.styleSheet.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Skin, SkinDamageTest,
    ::testing::Values(
        Damage{"Empty", [](std::string& b) { b.clear(); }, SkinError::NotASkin},
        Damage{"HeaderCut", [](std::string& b) { b.resize(kHeaderSize - 1); }, SkinError::NotASkin},
        Damage{"WrongMagic", [](std::string& b) { b[1] = 's'; }, SkinError::NotASkin},
        Damage{"NewerVersion", [](std::string& b) { b[4] = 2; }, SkinError::UnsupportedVersion},
        Damage{"ReservedSet", [](std::string& b) { b[7] = 1; }, SkinError::UnsupportedVersion},
        Damage{"PayloadCut", [](std::string& b) { b.pop_back(); }, SkinError::BadLength},
        Damage{"PayloadExtended", [](std::string& b) { b += ' '; }, SkinError::BadLength},
        Damage{"HugeLength", [](std::string& b) { b[11] = '\x7f'; }, SkinError::BadLength},
        Damage{"FlippedByte", [](std::string& b) { b[kHeaderSize + 3] ^= 0x20; },
               SkinError::BadChecksum},
        Damage{"NotUtf8", [](std::string& b) { b = packSkin("QWidget { } \xC4\xE3"); },
               SkinError::NotUtf8}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SkinFormat, Utf8CheckRefusesOverlongsSurrogatesAndCutSequences) {
    EXPECT_TRUE(isValidUtf8("plain 皮肤 😀"));
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));          // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));      // overlong, three bytes
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xE7\x9A"));          // cut
}

}  // namespace
}  // namespace quelvo::skin
