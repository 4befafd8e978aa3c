// Checks of everything a client sends; the make form parser decodes percent escapes itself so that
// malformed escapes are refused instead of passed through.
#include "skinsite/formcheck.h"

#include <algorithm>

namespace quelvo::skinsite {

namespace {

bool allDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> formDecode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            if (i + 2 >= s.size())
                return std::nullopt;
            int hi = hexValue(s[i + 1]);
            int lo = hexValue(s[i + 2]);
            if (hi < 0 || lo < 0)
                return std::nullopt;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

// The code points of valid UTF-8.
template <typename F>
bool anyCodePoint(std::string_view s, F test) {
    for (std::size_t i = 0; i < s.size();) {
        auto b0 = static_cast<unsigned char>(s[i]);
        const std::size_t length = b0 < 0x80 ? 1 : b0 < 0xe0 ? 2 : b0 < 0xf0 ? 3 : 4;
        char32_t cp = length == 1 ? b0 : b0 & (0xff >> (length + 1));
        for (std::size_t k = 1; k < length; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3f);
        if (test(cp))
            return true;
        i += length;
    }
    return false;
}

bool isControl(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7f && cp <= 0x9f);
}

// Embeddings, overrides and isolates reorder the text drawn after them.
bool isDirectionControl(char32_t cp) {
    return (cp >= 0x202a && cp <= 0x202e) || (cp >= 0x2066 && cp <= 0x2069);
}

bool isLineSeparator(char32_t cp) {
    return cp == 0x2028 || cp == 0x2029;
}

FormCheck refuse(int status, std::string problem) {
    FormCheck check;
    check.status = status;
    check.problem = std::move(problem);
    return check;
}

}  // namespace

bool isValidQq(std::string_view qq) {
    return qq.size() >= 5 && qq.size() <= 12 && allDigits(qq);
}

std::optional<int> templateNumber(std::string_view digits) {
    if (!allDigits(digits) || digits.size() > 2 || digits[0] == '0')
        return std::nullopt;
    int n = 0;
    for (char c : digits)
        n = n * 10 + (c - '0');
    if (n < 1 || n > templateCount)
        return std::nullopt;
    return n;
}

std::optional<int> numberInPath(std::string_view path, std::string_view prefix,
                                std::string_view suffix) {
    if (path.size() <= prefix.size() + suffix.size())
        return std::nullopt;
    if (!path.starts_with(prefix) || !path.ends_with(suffix))
        return std::nullopt;
    return templateNumber(path.substr(prefix.size(), path.size() - prefix.size() - suffix.size()));
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        auto b0 = static_cast<unsigned char>(bytes[i]);
        if (b0 < 0x80) {
            ++i;
            continue;
        }
        std::size_t length;
        char32_t cp;
        if (b0 >= 0xc2 && b0 <= 0xdf) {
            length = 2;
            cp = b0 & 0x1f;
        } else if (b0 >= 0xe0 && b0 <= 0xef) {
            length = 3;
            cp = b0 & 0x0f;
        } else if (b0 >= 0xf0 && b0 <= 0xf4) {
            length = 4;
            cp = b0 & 0x07;
        } else {
            return false;  // continuation byte, overlong lead C0/C1, or F5..FF
        }
        if (i + length > bytes.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            auto b = static_cast<unsigned char>(bytes[i + k]);
            if ((b & 0xc0) != 0x80)
                return false;
            cp = (cp << 6) | (b & 0x3f);
        }
        if ((length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000))
            return false;
        if (cp >= 0xd800 && cp <= 0xdfff)
            return false;
        if (cp > 0x10ffff)
            return false;
        i += length;
    }
    return true;
}

std::size_t utf8Length(std::string_view bytes) {
    return static_cast<std::size_t>(std::count_if(bytes.begin(), bytes.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xc0) != 0x80;
    }));
}

namespace {

// The value of the one "qq" pair of `body`, when there is exactly one and it is a valid number.
std::string soleValidQq(std::string_view body) {
    std::optional<std::string> found;
    int seen = 0;
    std::size_t start = 0;
    while (start < body.size()) {
        std::size_t end = std::min(body.find('&', start), body.size());
        std::string_view pair = body.substr(start, end - start);
        start = end + 1;
        std::size_t eq = pair.find('=');
        auto name = formDecode(pair.substr(0, eq));
        if (!name || *name != fieldIds[0])
            continue;
        ++seen;
        if (eq != std::string_view::npos)
            found = formDecode(pair.substr(eq + 1));
    }
    return seen == 1 && found && isValidQq(*found) ? *found : std::string();
}

FormCheck checkForm(std::string_view body) {
    std::optional<std::string> templateValue;
    std::array<std::optional<std::string>, fieldCount> values;

    std::size_t start = 0;
    while (start <= body.size()) {
        std::size_t end = body.find('&', start);
        if (end == std::string_view::npos)
            end = body.size();
        std::string_view pair = body.substr(start, end - start);
        start = end + 1;
        if (pair.empty()) {
            if (end == body.size())
                break;
            continue;
        }
        std::size_t eq = pair.find('=');
        auto name = formDecode(pair.substr(0, eq));
        auto value =
            formDecode(eq == std::string_view::npos ? std::string_view{} : pair.substr(eq + 1));
        if (!name || !value)
            return refuse(400, "表单编码错误");

        std::optional<std::string>* slot = nullptr;
        if (*name == templateFieldName) {
            slot = &templateValue;
        } else {
            auto it = std::find(fieldIds.begin(), fieldIds.end(), *name);
            if (it == fieldIds.end())
                return refuse(400, "表单含有未知的项目");
            slot = &values[static_cast<std::size_t>(it - fieldIds.begin())];
        }
        if (*slot)
            return refuse(400, "表单项目重复");
        *slot = std::move(*value);
    }

    if (!templateValue)
        return refuse(400, "缺少模板编号");
    auto number = templateNumber(*templateValue);
    if (!number)
        return refuse(400, "模板编号无效");

    MakeRequest request;
    request.templateNumber = *number;
    for (std::size_t k = 0; k < fieldCount; ++k) {
        if (!values[k])
            return refuse(400, "缺少表单项目");
        const std::string& v = *values[k];
        if (!isValidUtf8(v))
            return refuse(400, "文字编码无效");
        if (utf8Length(v) > maxFieldCharacters)
            return refuse(400, "文字太长");
        if (anyCodePoint(v, isControl))
            return refuse(400, "文字含有控制字符");
        if (anyCodePoint(v, isDirectionControl))
            return refuse(400, "文字含有改变书写方向的控制字符");
        if (anyCodePoint(v, isLineSeparator))
            return refuse(400, "文字含有分行符");
        request.values[k] = v;
    }
    if (!isValidQq(request.qq()))
        return refuse(400, "QQ 号码无效");

    FormCheck check;
    check.request = std::move(request);
    check.status = 200;
    return check;
}

}  // namespace

FormCheck checkMakeForm(std::string_view body) {
    FormCheck check = checkForm(body);
    if (check.request)
        check.qq = check.request->qq();
    else
        check.qq = soleValidQq(body);
    return check;
}

}  // namespace quelvo::skinsite
