// Large generated pages for the walks of WebPage, shared by their tests and their benchmark.
// A click anywhere leaves "hit:<id>" as the title and goes nowhere.
#pragma once

#include <string>

namespace quelvo::test::walkpages {

constexpr int kItems = 2000;

inline std::string page(const std::string& body) {
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>walk</title><script>"
           "document.addEventListener('click', function (e) {"
           " document.title = 'hit:' + e.target.id; e.preventDefault(); }, true);"
           "</script></head><body>" +
           body + "</body></html>";
}

// Links L1 … L2000: text "link N", address "pN.html".
inline std::string links() {
    std::string body;
    for (int i = 1; i <= kItems; ++i) {
        const std::string n = std::to_string(i);
        body += "<a id=\"L" + n + "\" href=\"p" + n + ".html\">link " + n + "</a>\n";
    }
    return page(body);
}

// Inputs I1 … I2000: the odd ones text boxes, the even ones button K = N / 2 of the types submit,
// button, reset and image in turn (button 1000 is a picture button). A text box carries the
// caption "bK" and the address "…#imgK" of the button after it, so a walk that ignores types
// finds the wrong element.
inline std::string inputs() {
    static const char* const kTypes[] = {"submit", "button", "reset", "image"};
    const std::string gif =
        "data:image/gif;base64,R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7#img";
    std::string body = "<form>";
    for (int i = 1; i <= kItems; ++i) {
        const int k = (i + 1) / 2;
        const std::string type = i % 2 ? "text" : kTypes[(k - 1) % 4];
        body += "<input id=\"I" + std::to_string(i) + "\" type=\"" + type + "\" value=\"b" +
                std::to_string(k) + "\" src=\"" + gif + std::to_string(k) + "\">\n";
    }
    return page(body + "</form>");
}

// Forms F1 … F2000 named "formN", each holding a select box "BoxN" with the id "box-N".
inline std::string forms() {
    std::string body;
    for (int i = 1; i <= kItems; ++i) {
        const std::string n = std::to_string(i);
        body += "<form id=\"F" + n + "\" name=\"form" + n +
                "\" action=\"sent.html\"><select name=\"Box" + n + "\" id=\"box-" + n +
                "\"><option value=\"o" + n + "\">o</option></select></form>\n";
    }
    return page(body);
}

// `count` empty frames of the page's origin named "frameN" with the ids "FRN".
inline std::string frames(int count) {
    std::string body;
    for (int i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        body +=
            "<iframe name=\"frame" + n + "\" id=\"FR" + n + "\" width=\"8\" height=\"8\"></iframe>";
    }
    return page(body);
}

// Three links whose texts are long enough that the page ends a chunk after two of them.
inline std::string longLinks() {
    std::string body;
    for (int i = 1; i <= 3; ++i) {
        const std::string n = std::to_string(i);
        body += "<a id=\"long" + n + "\" href=\"#" + n + "\">" + std::string(700000, 'x') + " end" +
                n + "</a>\n";
    }
    return page(body);
}

}  // namespace quelvo::test::walkpages
