// Checks of everything a client sends: QQ numbers, page numbers in paths and the make form.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "skinsite/fields.h"

namespace quelvo::skinsite {

// 5 to 12 ASCII digits. Only a number that passes this is ever used in a file name.
bool isValidQq(std::string_view qq);

// A template number written canonically ("1" .. "48", no sign, no leading zero).
std::optional<int> templateNumber(std::string_view digits);

// The template number in `path` when it is exactly prefix + number + suffix.
std::optional<int> numberInPath(std::string_view path, std::string_view prefix,
                                std::string_view suffix);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view bytes);

// Code points of valid UTF-8.
std::size_t utf8Length(std::string_view bytes);

struct MakeRequest {
    int templateNumber = 0;
    // In the order of fieldIds; values[0] is the QQ number.
    std::array<std::string, fieldCount> values;
    const std::string& qq() const { return values[0]; }
};

struct FormCheck {
    std::optional<MakeRequest> request;
    int status = 400;     // when there is no request
    std::string problem;  // a short reason for the error page
    // The form's one QQ number when it is valid, also when the form is refused: a refused make
    // still ends that number's earlier picture.
    std::string qq;
};

// Parses and checks an application/x-www-form-urlencoded make form. Every field must appear exactly
// once and nothing else may appear; texts hold no control characters, direction overrides or
// line and paragraph separators.
FormCheck checkMakeForm(std::string_view body);

}  // namespace quelvo::skinsite
