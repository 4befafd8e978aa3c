// The popup box: a frameless box over the page, with a document of its own filled with the
// caller's HTML.
#include <string>

#include "platform/dom/dom.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

constexpr std::int32_t kDefaultBackground = 0xFFFFFF;
constexpr std::int32_t kDefaultBorderWidth = 1;
constexpr std::int32_t kDefaultBorderColour = 0xC0C0C0;

}  // namespace

dom::Ref WebPage::ShowPopup(int x, int y, int width, int height, const Text& content,
                            std::optional<std::int32_t> backgroundColour,
                            std::optional<std::int32_t> borderWidth,
                            std::optional<std::int32_t> borderColour,
                            const std::optional<dom::Ref>& anchor) {
    // Every step is queued; the page acts on all of them in one round trip.
    dom::Ref window = dom::getObject(boundDocument, "parentWindow");
    dom::Ref popup = dom::callObject(window, "createPopup");
    dom::Ref body = dom::getObject(dom::getObject(popup, "document"), "body");

    const Text background = ColorToHtml(backgroundColour.value_or(kDefaultBackground));
    const Text border = "solid "_t + ColorToHtml(borderColour.value_or(kDefaultBorderColour)) +
                        " "_t + Text(std::to_string(borderWidth.value_or(kDefaultBorderWidth))) +
                        "px"_t;
    dom::putLater(dom::getObject(body, "style"), "backgroundColor", background);
    dom::putLater(dom::getObject(body, "style"), "border", border);
    dom::putLater(body, "innerHTML", content);

    dom::Args place{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
                    static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
    if (anchor)
        place.push_back(*anchor);
    dom::invokeLater(popup, "show", place);
    dom::flush(popup);
    return popup;
}

void WebPage::HidePopup(const dom::Ref& popup) {
    dom::invokeLater(popup, "hide");
    dom::flush(popup);
}

Text WebPage::ColorToHtml(std::int32_t colour) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const auto bits = static_cast<std::uint32_t>(colour);
    std::string html;
    for (int shift = 0; shift <= 16; shift += 8) {  // red, green, blue
        const unsigned byte = (bits >> shift) & 0xFFu;
        html += kDigits[byte >> 4];
        html += kDigits[byte & 0xFu];
    }
    return Text(html);
}

}  // namespace quelvo
