// Texts: conversions at the boundaries, character iteration, lowering and matching.
#include <gtest/gtest.h>

#include "common/text.h"

namespace quelvo {
namespace {

TEST(Text, RoundTripsThroughUtf8AndUtf16) {
    const std::string samples[] = {"", "abc", "信息：", "空间皮肤.gif", "nick 😀 名", "€", "\t\n"};
    for (const std::string& utf8 : samples) {
        Text t = Text::fromUtf8(utf8);
        EXPECT_EQ(t.toUtf8(), utf8);
        EXPECT_EQ(Text::fromUtf16(t.toUtf16()).toUtf8(), utf8);
    }
}

TEST(Text, IsGbkForGbkCharactersAndFourBytesBeyond) {
    EXPECT_EQ("信息"_t.bytes(), "\xD0\xC5\xCF\xA2");
    Text emoji = Text::fromUtf8("😀");
    ASSERT_EQ(emoji.size(), 4u);
    EXPECT_EQ(characterLength(emoji.bytes(), 0), 4u);
}

TEST(Text, BadBytesBecomeReplacementsNotLosses) {
    EXPECT_EQ(Text::fromUtf8("a\xFF"
                             "b")
                  .toUtf8(),
              "a?b");
    EXPECT_EQ(Text(std::string("a\x81", 2)).toUtf8(), "a\xEF\xBF\xBD");
}

TEST(Text, CharacterStartsNeverSplitMultiByteCharacters) {
    std::string bytes = "a"_t.bytes() + "中"_t.bytes() + Text::fromUtf8("😀").bytes() + "b";
    std::vector<std::size_t> expected{0, 1, 3, 7};
    EXPECT_EQ(characterStarts(bytes), expected);
    // A lead byte at the very end counts as one character clipped to the end.
    EXPECT_EQ(characterLength(std::string("\xD6"), 0), 1u);
}

TEST(Text, AsciiLowerLeavesTrailBytesInLetterRangeAlone) {
    // 0xC4 0x41 is a double-byte character whose trail byte is 'A'.
    Text mixed(std::string("AbC\xC4\x41Z"));
    EXPECT_EQ(asciiLower(mixed).bytes(), std::string("abc\xC4\x41z"));
}

struct ContainsCase {
    const char* text;
    const char* key;
    bool found;
};

TEST(Text, ContainsAsciiCaselessMatchesOnlyAtCharacterStarts) {
    const ContainsCase cases[] = {
        {"Latest News", "news", true},
        {"NEWS", "news", true},
        {"new", "news", false},
        {"abc", "", true},
        {"", "", false},
        {"", "a", false},
        {"中文", "文", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(containsAsciiCaseless(Text::fromUtf8(c.text), Text::fromUtf8(c.key)), c.found)
            << c.text << " / " << c.key;
    }
    // "\xC4\x41" + "B": the key "AB" would match across the character's trail byte.
    EXPECT_FALSE(containsAsciiCaseless(Text(std::string("\xC4\x41"
                                                        "B")),
                                       Text("AB")));
    EXPECT_TRUE(containsAsciiCaseless(Text(std::string("\xC4\x41"
                                                       "AB")),
                                      Text("ab")));
}

}  // namespace
}  // namespace quelvo
