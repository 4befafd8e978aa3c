// Field values, page dialogs, collecting document windows and opening in the shell.
#include "platform/dom/dom.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

constexpr const char* kSilencers[] = {
    "function alert(){return;}",
    "function confirm(){return;}",
    "function prompt(){return;}",
    "function showModalDialog(){return;}",
};

}  // namespace

bool WebPage::SetFieldValue(const Text& key, int mode, const Text& value) {
    dom::Ref element = GetElement(key, mode);
    return dom::put(element, "value", value);
}

Text WebPage::GetFieldValue(const Text& key, int mode) {
    return dom::getText(GetElement(key, mode), "value");
}

void WebPage::SilenceDialogs() {
    dom::Ref window = dom::getObject(boundDocument, "parentWindow");
    for (const char* script : kSilencers) {
        dom::invokeLater(window, "execScript", {Text(script), Text("JScript")});
    }
    dom::flush(window);
}

bool WebPage::FindAllBrowserWindows(HWND window, std::vector<HWND>& handles) {
    for (HWND child = win::FindWindowExA(window, 0, nullptr, nullptr); child != 0;
         child = win::FindWindowExA(window, child, nullptr, nullptr)) {
        if (GetWindowClassName(child).bytes() == "Internet Explorer_Server")
            handles.push_back(child);
        FindAllBrowserWindows(child, handles);
    }
    return !handles.empty();
}

void WebPage::OpenInShell(const Text& target) {
    win::ShellExecuteA(0, "open", target.c_str(), "", "", win::SW_SHOWNORMAL);
}

}  // namespace quelvo
