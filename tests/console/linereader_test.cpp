// The console's line reader: lines in order however the input is cut, over-long lines dropped
// with a mark, and big inputs read in linear time.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "console/linereader.h"

namespace quelvo::console {
namespace {

// What the reader gives for `input` fed in pieces of `piece` bytes, ending with the input's end:
// each line's text, or "<over>" for an over-long one.
std::vector<std::string> readAll(const std::string& input, qsizetype piece, qsizetype cap) {
    LineReader reader(cap);
    std::vector<std::string> lines;
    auto take = [&](std::optional<InputLine> line) {
        lines.push_back(line->overLong ? "<over>" : line->text.toStdString());
    };
    for (std::size_t at = 0; at < input.size(); at += static_cast<std::size_t>(piece)) {
        reader.append(input.data() + at,
                      std::min<qsizetype>(piece, static_cast<qsizetype>(input.size() - at)));
        while (std::optional<InputLine> line = reader.next())
            take(line);
    }
    while (std::optional<InputLine> line = reader.rest())
        take(line);
    return lines;
}

TEST(LineReaderTest, SplitsLinesAndMarksThoseOverTheCap) {
    using Lines = std::vector<std::string>;
    struct Case {
        const char* input;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"a\nbc\n", {"a", "bc"}},
        {"a\n\nb", {"a", "", "b"}},  // the last line needs no newline
        {"12345678\n123456789\nok\n", {"12345678", "<over>", "ok"}},  // cap 8
        {"123456789", {"<over>"}},                                    // over-long to the very end
        {"123456789012345678901234\n\nx\n", {"<over>", "", "x"}},
        {"a\n1234567890\n1234567890\nb\n", {"a", "<over>", "<over>", "b"}},
    };
    for (const Case& c : cases) {
        for (qsizetype piece : {1, 3, 7, 1000}) {
            SCOPED_TRACE(testing::Message() << '"' << c.input << "\" in pieces of " << piece);
            EXPECT_EQ(readAll(c.input, piece, 8), c.lines);
        }
    }
}

// Quadratic splitting (searching from the start, or moving every later byte up, for each line)
// takes hours on these inputs; linear splitting takes well under a second. The bound only
// separates the two.
TEST(LineReaderTest, BigInputsAreReadInLinearTime) {
    const std::string longLine(std::size_t{20} << 20, 'x');
    std::string manyLines;
    for (int i = 0; i < 400000; ++i)
        manyLines += "{\"id\": " + std::to_string(i) + "}\n";
    struct Case {
        const char* name;
        std::string input;
        qsizetype piece;
        std::size_t lines;
        const char* first;
    } cases[] = {
        {"one 20 MiB line and one more, read 64 KiB at a time", longLine + "\nend\n", 65536, 2,
         "<over>"},
        {"400000 lines queued in one piece", manyLines, static_cast<qsizetype>(manyLines.size()),
         400000, "{\"id\": 0}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto start = std::chrono::steady_clock::now();
        const std::vector<std::string> lines = readAll(c.input, c.piece, LineReader::kDefaultCap);
        const auto seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
        ASSERT_EQ(lines.size(), c.lines);
        EXPECT_EQ(lines.front(), c.first);
        EXPECT_LT(seconds.count(), 60.0);
    }
}

}  // namespace
}  // namespace quelvo::console
