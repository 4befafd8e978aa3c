// Clicking a link or a button found by id, name, position, text or address.
#include <algorithm>
#include <array>
#include <vector>

#include "common/numbers.h"
#include "platform/dom/dom.h"
#include "webpage/positions.h"
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

}  // namespace

bool WebPage::ClickLink(const Text& key, int mode, std::optional<bool> exact) {
    if (mode == 0 || mode == 1)
        return clickById(*this, key, mode);
    if (mode < 2 || mode > 4)
        return false;
    dom::Ref links = dom::getObject(boundDocument, "getElementsByTagName", {"a"_t});
    if (mode == 2) {
        const int wanted = textToInteger(key);
        if (wanted < 1 || wanted > countOf(links))
            return false;
        return click(itemAt(links, wanted));
    }
    const int found = findFirst(links, {mode == 3 ? "innerText" : "href"},
                                [&](const Text* row) { return matches(row[0], key, exact); });
    return found && click(itemAt(links, found));
}

bool WebPage::ClickButton(const Text& key, int mode, std::optional<bool> exact) {
    if (mode == 0 || mode == 1)
        return clickById(*this, key, mode);
    if (mode < 2 || mode > 4)
        return false;
    const int wanted = mode == 2 ? textToInteger(key) : 0;
    if (mode == 2 && wanted < 1)
        return false;
    dom::Ref inputs = dom::getObject(boundDocument, "getElementsByTagName", {"input"_t});
    int buttonsSeen = 0;
    std::vector<const char*> members{"type"};
    if (mode != 2)
        members.push_back(mode == 3 ? "value" : "src");
    const int found = findFirst(inputs, members, [&](const Text* row) {
        const Text type = asciiLower(row[0]);
        if (mode == 4 ? type.bytes() != "image" : !isButtonType(type))
            return false;
        if (mode == 2)
            return ++buttonsSeen == wanted;
        return matches(row[1], key, exact);
    });
    return found && click(itemAt(inputs, found));
}

}  // namespace quelvo
