// Clicking a link or a button found by id, name, position, text or address.
#include <algorithm>
#include <array>

#include "common/numbers.h"
#include "platform/dom/dom.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

bool matches(const Text& text, const Text& key, std::optional<bool> exact) {
    if (exact.value_or(false))
        return text == key;
    return containsAsciiCaseless(text, key);
}

bool isButtonType(const Text& loweredType) {
    static constexpr std::array<const char*, 4> kTypes = {"submit", "button", "reset", "image"};
    return std::any_of(kTypes.begin(), kTypes.end(),
                       [&](const char* t) { return loweredType.bytes() == t; });
}

// Calls `click` and sends it: the page has acted on it when the operation returns.
bool click(const dom::Ref& element) {
    dom::invokeLater(element, "click");
    dom::flush(element);
    return true;
}

bool clickById(WebPage& page, const Text& key, int mode) {
    dom::Ref element = page.GetElement(key, mode);
    return !element.empty() && click(element);
}

int countOf(const dom::Ref& collection) {
    return truncateToInt(dom::getNumber(collection, "length"));
}

dom::Ref itemAt(const dom::Ref& collection, int position) {
    return dom::callObject(collection, "item", {static_cast<double>(position - 1)});
}

}  // namespace

bool WebPage::ClickLink(const Text& key, int mode, std::optional<bool> exact) {
    if (mode == 0 || mode == 1)
        return clickById(*this, key, mode);
    if (mode < 2 || mode > 4)
        return false;
    dom::Ref links = dom::getObject(boundDocument, "getElementsByTagName", {"a"_t});
    const int count = countOf(links);
    if (mode == 2) {
        const int wanted = textToInteger(key);
        if (wanted < 1 || wanted > count)
            return false;
        return click(itemAt(links, wanted));
    }
    const char* member = mode == 3 ? "innerText" : "href";
    for (int position = 1; position <= count; ++position) {
        dom::Ref link = itemAt(links, position);
        if (matches(dom::getText(link, member), key, exact))
            return click(link);
    }
    return false;
}

bool WebPage::ClickButton(const Text& key, int mode, std::optional<bool> exact) {
    if (mode == 0 || mode == 1)
        return clickById(*this, key, mode);
    if (mode < 2 || mode > 4)
        return false;
    dom::Ref inputs = dom::getObject(boundDocument, "getElementsByTagName", {"input"_t});
    const int count = countOf(inputs);
    const int wanted = mode == 2 ? textToInteger(key) : 0;
    int buttonsSeen = 0;
    for (int position = 1; position <= count; ++position) {
        dom::Ref input = itemAt(inputs, position);
        const Text type = asciiLower(dom::getText(input, "type"));
        if (mode == 4 ? type.bytes() != "image" : !isButtonType(type))
            continue;
        if (mode == 2) {
            if (++buttonsSeen == wanted)
                return click(input);
            continue;
        }
        if (matches(dom::getText(input, mode == 3 ? "value" : "src"), key, exact)) {
            return click(input);
        }
    }
    return false;
}

}  // namespace quelvo
