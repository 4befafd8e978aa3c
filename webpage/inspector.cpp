// The page inspector: marks every link, picture, form and form control with its kind and number.
#include <array>
#include <string>
#include <vector>

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
    if (type.bytes() == pass.type)
        return true;
    return type.empty() && std::string_view(pass.type) == "text";
}

// A mark to write once the pass has read everything.
struct Mark {
    dom::Ref element;
    const char* member;
    Text value;
};

// One pass costs two round trips whatever the page's size: one reads what the pass needs of every
// element of the tag, the other carries all of the pass's marks. Holding the marks back also
// keeps the page from laying itself out again between reads.
void runPass(const dom::Ref& document, const Pass& pass) {
    const Text start = Text::fromUtf8(pass.start);
    const Text end = Text::fromUtf8(pass.end);
    const Text titleStart = "[第 "_t;
    const Text titleEnd = Text::fromUtf8(pass.titleEnd);

    std::vector<const char*> members;
    if (pass.type)
        members.push_back("type");
    if (pass.content)
        members.push_back(pass.content);
    members.push_back("title");

    dom::Ref elements = dom::getObject(document, "getElementsByTagName", {Text(pass.tag)});
    const std::vector<Text> values = readEach(elements, members);
    const int count = static_cast<int>(values.size() / members.size());
    std::vector<Mark> marks;
    int matches = 0;
    for (int position = 1; position <= count; ++position) {
        const Text* read = &values[static_cast<std::size_t>(position - 1) * members.size()];
        int number = position;
        if (pass.type) {
            if (!typeMatches(pass, *read++))
                continue;
            number = ++matches;
        }
        const Text digits(std::to_string(number));
        // Every element is taken before the first write: a link's new content may drop a link
        // nested in it from the live collection.
        dom::Ref element = itemAt(elements, position);
        if (pass.content)
            marks.push_back({element, pass.content, *read++ + start + digits + end});
        marks.push_back({element, "title", *read + titleStart + digits + titleEnd});
    }
    for (const Mark& mark : marks)
        dom::putLater(mark.element, mark.member, mark.value);
    dom::flush(document);
}

}  // namespace

void WebPage::InspectPage(HWND window) {
    // The window's own document: unlike a binding, no search below the window.
    const dom::Ref document = GetWindowDocument(window);
    if (document.empty())
        return;
    for (const Pass& pass : kPasses)
        runPass(document, pass);
}

}  // namespace quelvo
