// The page inspector: marks every link, picture, form and form control with its kind and number.
#include <array>
#include <string>

#include "platform/dom/dom.h"
#include "webpage/positions.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

struct Pass {
    const char* tag;
    const char* type;     // nullptr: every element of the tag, numbered by position
    const char* content;  // nullptr: the title mark only
    const char* start;
    const char* end;
    const char* titleEnd;
};

// UTF-8 here; the marks become page texts through Text.
constexpr std::array<Pass, 16> kPasses = {{
    {"a", nullptr, "innerHTML", "<FONT color=#FF0000>[链接", "]</FONT>", " 个链接]"},
    {"img", nullptr, nullptr, "", "", " 个图片]"},
    {"form", nullptr, "value", "[表单", "]", " 个表单]"},
    {"input", "text", "value", "[文本框", "]", " 个文本框]"},
    {"textarea", nullptr, "innerText", "[多行文本框", "]", " 个多行文本框]"},
    {"input", "password", "value", "[密码框", "]", " 个密码框]"},
    {"input", "submit", "value", "[提交按钮", "]", " 个提交按钮]"},
    {"input", "reset", "value", "[重置按钮", "]", " 个重置按钮]"},
    {"input", "file", "value", "[文件框", "]", " 个文件框]"},
    {"input", "image", "value", "[图形按钮", "]", " 个图形按钮]"},
    {"input", "button", "value", "[按钮", "]", " 个按钮]"},
    {"button", nullptr, "value", "[Button", "]", " 个Button]"},
    {"input", "radio", "value", "[单选框", "]", " 个单选框]"},
    {"input", "checkbox", "value", "[复选框", "]", " 个复选框]"},
    {"select", nullptr, "value", "[组合框", "]", " 个组合框]"},
    {"input", "hidden", "value", "[隐藏表单", "]", " 个隐藏表单]"},
}};

// The text boxes' pass also takes inputs whose type reads empty.
bool typeMatches(const Pass& pass, const Text& type) {
    if (type.bytes() == pass.type) return true;
    return type.empty() && std::string_view(pass.type) == "text";
}

// Appends to a member: one read now; the write rides along with the next round trip.
void appendLater(const dom::Ref& element, const char* member, const Text& mark) {
    dom::putLater(element, member, dom::getText(element, member) + mark);
}

void runPass(const dom::Ref& document, const Pass& pass) {
    const Text start = Text::fromUtf8(pass.start);
    const Text end = Text::fromUtf8(pass.end);
    const Text titleStart = "[第 "_t;
    const Text titleEnd = Text::fromUtf8(pass.titleEnd);

    dom::Ref elements = dom::getObject(document, "getElementsByTagName", {Text(pass.tag)});
    const int count = countOf(elements);
    int matches = 0;
    for (int position = 1; position <= count; ++position) {
        dom::Ref element = itemAt(elements, position);
        int number = position;
        if (pass.type) {
            if (!typeMatches(pass, dom::getText(element, "type"))) continue;
            number = ++matches;
        }
        const Text digits(std::to_string(number));
        if (pass.content) appendLater(element, pass.content, start + digits + end);
        appendLater(element, "title", titleStart + digits + titleEnd);
    }
}

}  // namespace

void WebPage::InspectPage(HWND window) {
    // The window's own document: unlike a binding, no search below the window.
    const dom::Ref document = GetWindowDocument(window);
    if (document.empty()) return;
    for (const Pass& pass : kPasses) runPass(document, pass);
    dom::flush(document);  // the last writes: the page is marked when the caller goes on
}

}  // namespace quelvo
