// Binding a WebPage to a document, from a reference or from a browser window, and the page text.
#include <array>

#include "platform/dom/dom.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

constexpr const char* kDocumentWindowClass = "Internet Explorer_Server";
constexpr win::UINT kAskTimeoutMs = 1000;

bool isDocumentWindow(HWND window) {
    return GetWindowClassName(window).bytes() == kDocumentWindowClass;
}

// Asks a document window for its document; the answer's token becomes the reference.
win::HRESULT askForDocument(HWND window, dom::Ref& target) {
    const win::UINT message = win::RegisterWindowMessageA("WM_HTML_GETOBJECT");
    win::WPARAM result = 0;
    win::SendMessageTimeoutA(window, message, 0, 0, win::SMTO_ABORTIFHUNG, kAskTimeoutMs, &result);
    return win::ObjectFromLresult(static_cast<win::LRESULT>(result), win::IID_IHTMLDocument, 0,
                                  &target);
}

}  // namespace

Text GetWindowClassName(HWND window) {
    std::array<char, 255> buffer;
    buffer.fill(' ');
    int n = win::GetClassNameA(window, buffer.data(), static_cast<int>(buffer.size()));
    if (n <= 0)
        return Text();
    return Text(std::string(buffer.data(), static_cast<std::size_t>(n)));
}

dom::Ref GetWindowDocument(HWND window) {
    dom::Ref document;
    if (isDocumentWindow(window))
        askForDocument(window, document);
    return document;
}

bool WebPage::Bind(const std::optional<dom::Ref>& document, std::optional<HWND> window) {
    if (document) {
        dom::Ref taken = *document;  // taken before the old one goes
        boundDocument = std::move(taken);
        return !boundDocument.empty();
    }
    if (window)
        return DocumentFromWindow(*window, boundDocument);
    return false;
}

bool WebPage::DocumentFromWindow(HWND window, dom::Ref& target) {
    if (!isDocumentWindow(window)) {
        window = FindBrowserWindow(window);
        if (window == 0)
            return false;
    }
    return askForDocument(window, target) == win::S_OK;
}

HWND WebPage::FindBrowserWindow(HWND window) {
    for (HWND child = win::FindWindowExA(window, 0, nullptr, nullptr); child != 0;
         child = win::FindWindowExA(window, child, nullptr, nullptr)) {
        if (isDocumentWindow(child))
            return child;
        if (HWND found = FindBrowserWindow(child))
            return found;
    }
    return 0;
}

Text WebPage::GetPageText(const Text& what) {
    if (what.bytes() == "outerHTML" || what.bytes() == "innerText") {
        dom::Ref root = dom::getObject(boundDocument, "documentElement");
        return dom::getText(root, what.bytes());
    }
    if (what.empty())
        return Text();
    return dom::getText(boundDocument, what.bytes());
}

}  // namespace quelvo
