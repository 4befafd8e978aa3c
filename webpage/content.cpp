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
    // Whatever the read gives is passed on: a handler, null, or the empty value of a failed read.
    dom::Value handler = dom::get(element, eventName.bytes());
    dom::Value fired = dom::call(element, "FireEvent", {eventName, handler});
    return fired.kind() == dom::Value::Kind::Bool && std::get<bool>(fired.variant());
}

}  // namespace quelvo
