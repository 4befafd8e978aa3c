// Element markup and text, frames, navigation, written documents, scripts and fired events.
#include "platform/dom/dom.h"
#include "webpage/positions.h"
#include "webpage/webpage.h"

namespace quelvo {

Text WebPage::GetInnerHtml(const dom::Ref& element) {
    return dom::getText(element, "innerHTML");
}
Text WebPage::GetInnerText(const dom::Ref& element) {
    return dom::getText(element, "innerText");
}
Text WebPage::GetOuterHtml(const dom::Ref& element) {
    return dom::getText(element, "outerHTML");
}
Text WebPage::GetOuterText(const dom::Ref& element) {
    return dom::getText(element, "outerText");
}

int WebPage::FrameCount() {
    return countOf(dom::getObject(boundDocument, "frames"));
}

dom::Ref WebPage::GetFrame(const Text& key, int mode) {
    dom::Ref frames = dom::getObject(boundDocument, "frames");
    return findInCollection(frames, key, mode, KeyMatch::AsciiCaseless);
}

dom::Ref WebPage::GetFrameElement(const Text& key, int mode) {
    return dom::getObject(GetFrame(key, mode), "frameElement");
}

void WebPage::Navigate(const Text& address) {
    dom::Ref window = dom::getObject(boundDocument, "parentWindow");
    dom::invokeLater(window, "navigate", {address});
    dom::flush(window);
}

void WebPage::WriteDocument(const Text& html) {
    dom::invokeLater(boundDocument, "open");
    dom::invokeLater(boundDocument, "write", {html});
    dom::invokeLater(boundDocument, "Close");
    dom::flush(boundDocument);
}

void WebPage::RunScript(const Text& script, const std::optional<Text>& language) {
    dom::Ref window = dom::getObject(boundDocument, "parentWindow");
    dom::invokeLater(window, "execScript", {script, language.value_or("VBScript"_t)});
    dom::flush(window);
}

bool WebPage::FireElementEvent(const dom::Ref& element, const Text& eventName) {
    // Only on… names are events; anything else ("click" included) would read or call some
    // other member of the element.
    const std::string& name = eventName.bytes();
    if (name.size() < 3 || asciiLower(Text(name.substr(0, 2))).bytes() != "on")
        return false;
    // Whatever the read gives is passed on: a handler, null, or the empty value of a failed read.
    // The handler is read as a value: a method of that name is handed over, not called.
    dom::Value handler = dom::get(element, "__quelvoMember", {eventName});
    dom::Value fired = dom::call(element, "FireEvent", {eventName, handler});
    return fired.kind() == dom::Value::Kind::Bool && std::get<bool>(fired.variant());
}

}  // namespace quelvo
