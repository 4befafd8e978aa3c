// Counting and walking document collections by position, name or id.
#include "webpage/positions.h"

#include "common/numbers.h"
#include "platform/dom/dom.h"

namespace quelvo {

int countOf(const dom::Ref& collection) {
    return truncateToInt(dom::getNumber(collection, "length"));
}

dom::Ref itemAt(const dom::Ref& collection, int position) {
    return dom::callObject(collection, "item", {static_cast<double>(position) - 1.0});
}

dom::Ref findInCollection(const dom::Ref& collection, const Text& key, int mode, KeyMatch match) {
    if (mode < 0 || mode > 2)
        return dom::Ref();
    const int count = countOf(collection);
    if (mode == 2) {
        const int wanted = textToInteger(key);
        if (wanted < 1 || wanted > count)
            return dom::Ref();
        return itemAt(collection, wanted);
    }
    const char* member = mode == 0 ? "name" : "id";
    const Text wantedKey = match == KeyMatch::AsciiCaseless ? asciiLower(key) : key;
    for (int position = 1; position <= count; ++position) {
        dom::Ref item = itemAt(collection, position);
        Text found = dom::getText(item, member);
        if (match == KeyMatch::AsciiCaseless)
            found = asciiLower(found);
        if (found == wantedKey)
            return item;
    }
    return dom::Ref();
}

std::vector<Text> readEach(const dom::Ref& collection, const std::vector<const char*>& members) {
    std::vector<dom::Value> names;
    for (const char* member : members)
        names.push_back(Text(member));
    const std::string packed = dom::getText(collection, "__quelvoTexts", names).bytes();

    // Each value ends in 0x01 and a tag; a 0x01 inside a text is doubled. No byte of a
    // multi-byte character is 0x01, so the bytes can be scanned as they are.
    std::vector<Text> values;
    std::vector<std::size_t> numbers;  // values the page gave as numbers
    std::string current;
    for (std::size_t i = 0; i < packed.size(); ++i) {
        if (packed[i] != '\x01') {
            current += packed[i];
            continue;
        }
        if (++i == packed.size())
            return {};  // cut short: nothing trustworthy
        const char tag = packed[i];
        if (tag == '\x01') {
            current += tag;
            continue;
        }
        if (tag == 'n')
            numbers.push_back(values.size());
        values.push_back(tag == 's' ? Text(std::move(current)) : Text());
        current.clear();
    }
    if (!current.empty() || members.empty() || values.size() % members.size() != 0)
        return {};

    // Numbers read one by one, so that they become text exactly as a single read makes them.
    for (std::size_t index : numbers) {
        const int position = static_cast<int>(index / members.size()) + 1;
        values[index] = dom::getText(itemAt(collection, position), members[index % members.size()]);
    }
    return values;
}

}  // namespace quelvo
