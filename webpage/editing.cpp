// Changing element markup and text, focus and visibility, document members, and forms.
#include "platform/dom/dom.h"
#include "webpage/positions.h"
#include "webpage/webpage.h"

namespace quelvo {

bool WebPage::SetInnerHtml(const dom::Ref& element, const Text& text) {
    return dom::put(element, "innerHTML", text);
}

bool WebPage::SetInnerText(const dom::Ref& element, const Text& text) {
    return dom::put(element, "innerText", text);
}

bool WebPage::SetOuterHtml(const dom::Ref& element, const Text& text) {
    return dom::put(element, "outerHTML", text);
}

bool WebPage::SetOuterText(const dom::Ref& element, const Text& text) {
    return dom::put(element, "outerText", text);
}

void WebPage::FocusElement(const dom::Ref& element) {
    dom::invokeLater(element, "focus");
    dom::flush(element);
}

bool WebPage::SetElementVisible(const dom::Ref& element, bool show) {
    // An input is shown as a text box and hidden as a hidden field; anything else through CSS.
    if (asciiLower(dom::getText(element, "tagName")).bytes() == "input") {
        return dom::put(element, "type", show ? "text"_t : "hidden"_t);
    }
    dom::Ref style = dom::getObject(element, "style");
    return dom::put(style, "display", show ? "block"_t : "none"_t);
}

Text WebPage::GetDocumentProperty(const Text& member, const Text& argument) {
    return dom::getText(boundDocument, member.bytes(), {argument});
}

dom::Ref WebPage::GetForm(const Text& key, int mode) {
    dom::Ref forms = dom::getObject(boundDocument, "forms");
    return findInCollection(forms, key, mode, KeyMatch::Exact);
}

bool WebPage::SubmitForm(const Text& key, int mode) {
    dom::Ref form = GetForm(key, mode);
    if (form.empty())
        return false;
    dom::invokeLater(form, "submit");
    dom::flush(form);
    return true;
}

}  // namespace quelvo
