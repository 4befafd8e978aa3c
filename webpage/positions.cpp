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
    if (mode < 0 || mode > 2) return dom::Ref();
    const int count = countOf(collection);
    if (mode == 2) {
        const int wanted = textToInteger(key);
        if (wanted < 1 || wanted > count) return dom::Ref();
        return itemAt(collection, wanted);
    }
    const char* member = mode == 0 ? "name" : "id";
    const Text wantedKey = match == KeyMatch::AsciiCaseless ? asciiLower(key) : key;
    for (int position = 1; position <= count; ++position) {
        dom::Ref item = itemAt(collection, position);
        Text found = dom::getText(item, member);
        if (match == KeyMatch::AsciiCaseless) found = asciiLower(found);
        if (found == wantedKey) return item;
    }
    return dom::Ref();
}

}  // namespace quelvo
