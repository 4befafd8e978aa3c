// The selection, option groups and select boxes by name, and elements by point or tag.
#include "platform/dom/dom.h"
#include "webpage/optiongroups.h"
#include "webpage/positions.h"
#include "webpage/selectbox.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

dom::Ref selectionRange(const dom::Ref& document) {
    dom::Ref selection = dom::getObject(document, "selection");
    return dom::callObject(selection, "createRange");
}

}  // namespace

Text WebPage::GetSelectedText(std::optional<int> format) {
    // An empty or failed range reads as empty text, so the range needs no test of its own.
    const char* member = format.value_or(0) > 0 ? "htmlText" : "Text";
    return dom::getText(selectionRange(boundDocument), member);
}

void WebPage::ReplaceSelection(const Text& html) {
    dom::Ref range = selectionRange(boundDocument);
    dom::invokeLater(range, "pasteHTML", {html});
    dom::flush(range);
}

std::unique_ptr<RadioGroup> WebPage::GetRadioGroup(const Text& name) {
    auto group = std::make_unique<RadioGroup>();
    group->Attach(dom::getObject(boundDocument, "getElementsByName", {name}));
    return group;
}

std::unique_ptr<CheckboxGroup> WebPage::GetCheckboxGroup(const Text& name) {
    auto group = std::make_unique<CheckboxGroup>();
    group->Attach(dom::getObject(boundDocument, "getElementsByName", {name}));
    return group;
}

std::unique_ptr<SelectBox> WebPage::GetSelectBox(const Text& key, int mode) {
    // Only the select elements inside the body count.
    dom::Ref body = dom::getObject(boundDocument, "body");
    dom::Ref all = dom::getObject(body, "all");
    dom::Ref selects = dom::callObject(all, "tags", {"select"_t});
    auto box = std::make_unique<SelectBox>();
    box->Attach(findInCollection(selects, key, mode, KeyMatch::AsciiCaseless));
    return box;
}

dom::Ref WebPage::ElementAtPoint(int x, int y) {
    return dom::getObject(boundDocument, "elementFromPoint",
                          {static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)});
}

dom::Ref WebPage::GetElementsByTag(const Text& tagName) {
    return dom::getObject(boundDocument, "getElementsByTagName", {tagName});
}

}  // namespace quelvo
