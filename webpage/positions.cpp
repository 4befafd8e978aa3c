// Counting and walking document collections by position, name or id.
#include "webpage/positions.h"

#include <charconv>
#include <limits>

#include "common/numbers.h"
#include "platform/dom/dom.h"

namespace quelvo {
namespace {

// Items a round trip: memory stays bounded and a match near the start costs one chunk. The page
// also ends a chunk early once its answer grows large.
constexpr int kChunk = 1000;

// Splits a packed answer: each value ends in 0x01 and a tag (s text, f failed, n a number in the
// page's spelling); a 0x01 inside a text is doubled. No byte of a multi-byte character is 0x01, so
// the bytes can be scanned as they are.
bool unpack(const std::string& packed, std::vector<Text>& values) {
    std::string current;
    for (std::size_t i = 0; i < packed.size(); ++i) {
        if (packed[i] != '\x01') {
            current += packed[i];
            continue;
        }
        if (++i == packed.size())
            return false;  // cut short: nothing trustworthy
        const char tag = packed[i];
        if (tag == '\x01') {
            current += tag;
            continue;
        }
        if (tag == 'n') {
            // Made text the way a single read makes a number text.
            double number = 0;
            const char* end = current.data() + current.size();
            auto [ptr, ec] = std::from_chars(current.data(), end, number);
            values.push_back(ec == std::errc() && ptr == end ? dom::Value(number).toText()
                                                             : Text());
        } else {
            values.push_back(tag == 's' ? Text(std::move(current)) : Text());
        }
        current.clear();
    }
    return current.empty();
}

// One chunk: the rows of items [start, end) (end < 0: to the last), and the collection's length.
// False when the answer is missing or malformed.
bool readRows(const dom::Ref& collection, const std::vector<const char*>& members, int start,
              int end, int& length, std::vector<Text>& rows) {
    dom::Args args{static_cast<double>(start), static_cast<double>(end)};
    for (const char* member : members)
        args.push_back(Text(member));
    std::vector<Text> values;
    if (!unpack(dom::getText(collection, "__quelvoRows", args).bytes(), values) || values.empty())
        return false;
    if ((values.size() - 1) % members.size() != 0)
        return false;
    unsigned long long n = 0;
    const std::string& first = values.front().bytes();
    auto [ptr, ec] = std::from_chars(first.data(), first.data() + first.size(), n);
    if (ec != std::errc() || ptr != first.data() + first.size())
        return false;
    length = static_cast<int>(std::min<unsigned long long>(n, std::numeric_limits<int>::max()));
    rows.assign(std::make_move_iterator(values.begin() + 1), std::make_move_iterator(values.end()));
    return true;
}

// Calls `visit` with each row until it says stop; the position it stopped at, or 0.
int walkRows(const dom::Ref& collection, const std::vector<const char*>& members,
             const std::function<bool(const Text* row)>& visit) {
    if (members.empty() || collection.handle() == nullptr)
        return 0;
    const std::size_t width = members.size();
    int count = -1;
    int start = 0;
    std::vector<Text> rows;
    while (count < 0 || start < count) {
        const int end = count < 0 ? start + kChunk : std::min(count, start + kChunk);
        int length = 0;
        if (!readRows(collection, members, start, end, length, rows))
            return 0;
        if (count < 0)
            count = length;
        const int read = static_cast<int>(rows.size() / width);
        if (read == 0)
            return 0;  // the collection shrank under the walk
        for (int r = 0; r < read; ++r) {
            if (visit(&rows[static_cast<std::size_t>(r) * width]))
                return start + r + 1;
        }
        start += read;
    }
    return 0;
}

}  // namespace

int countOf(const dom::Ref& collection) {
    return truncateToInt(dom::getNumber(collection, "length"));
}

dom::Ref itemAt(const dom::Ref& collection, int position) {
    return dom::callObject(collection, "item", {static_cast<double>(position) - 1.0});
}

dom::Ref findInCollection(const dom::Ref& collection, const Text& key, int mode, KeyMatch match) {
    if (mode < 0 || mode > 2)
        return dom::Ref();
    if (mode == 2) {
        const int wanted = textToInteger(key);
        if (wanted < 1 || wanted > countOf(collection))
            return dom::Ref();
        return itemAt(collection, wanted);
    }
    const char* member = mode == 0 ? "name" : "id";
    const bool caseless = match == KeyMatch::AsciiCaseless;
    const Text wantedKey = caseless ? asciiLower(key) : key;
    const int found = findFirst(collection, {member}, [&](const Text* row) {
        return (caseless ? asciiLower(row[0]) : row[0]) == wantedKey;
    });
    return found ? itemAt(collection, found) : dom::Ref();
}

std::vector<Text> readEach(const dom::Ref& collection, const std::vector<const char*>& members) {
    std::vector<Text> values;
    walkRows(collection, members, [&](const Text* row) {
        values.insert(values.end(), row, row + members.size());
        return false;
    });
    return values;
}

int findFirst(const dom::Ref& collection, const std::vector<const char*>& members,
              const std::function<bool(const Text* row)>& accept) {
    return walkRows(collection, members, accept);
}

}  // namespace quelvo
