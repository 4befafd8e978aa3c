// Only the site's own address is served: a page elsewhere may reach 127.0.0.1 through a host name
// it rebinds, or post a form to it, and the Host, Origin and Referer headers tell those apart.
#include "skinsite/requesthead.h"

#include <algorithm>

namespace quelvo::skinsite {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

bool isTokenCharacter(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// The one value of `name`, or nothing when it is missing or sent more than once.
std::optional<std::string_view> single(const RequestHead& head, std::string_view name) {
    auto values = head.values(name);
    if (values.size() != 1)
        return std::nullopt;
    return values.front();
}

// Whether `url` names the site itself: its origin exactly, then the end or the start of a path,
// query or fragment.
bool isOwnUrl(std::string_view url, std::string_view origin) {
    if (url.size() < origin.size() || !equalsIgnoringCase(url.substr(0, origin.size()), origin))
        return false;
    return url.size() == origin.size() ||
           std::string_view("/?#").find(url[origin.size()]) != std::string_view::npos;
}

Refusal refuse(int status, std::string message, std::string allow = {}) {
    return Refusal{status, std::move(message), std::move(allow)};
}

}  // namespace

std::string_view RequestHead::path() const {
    std::string_view t = target;
    return t.substr(0, t.find('?'));
}

std::vector<std::string_view> RequestHead::values(std::string_view name) const {
    std::vector<std::string_view> out;
    for (const auto& [n, v] : headers) {
        if (equalsIgnoringCase(n, name))
            out.push_back(v);
    }
    return out;
}

std::optional<RequestHead> parseRequestHead(std::string_view head) {
    auto nextLine = [&head]() -> std::optional<std::string_view> {
        std::size_t end = head.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt;
        std::string_view line = head.substr(0, end);
        head.remove_prefix(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return line;
    };

    auto line = nextLine();
    if (!line)
        return std::nullopt;
    RequestHead out;
    const std::size_t sp1 = line->find(' ');
    const std::size_t sp2 = sp1 == std::string_view::npos ? sp1 : line->find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos || line->find(' ', sp2 + 1) != std::string_view::npos)
        return std::nullopt;
    const std::string_view method = line->substr(0, sp1);
    const std::string_view target = line->substr(sp1 + 1, sp2 - sp1 - 1);
    const std::string_view version = line->substr(sp2 + 1);
    if (method.empty() || !std::all_of(method.begin(), method.end(), isTokenCharacter))
        return std::nullopt;
    if (target.empty() || target.front() != '/' || (version != "HTTP/1.1" && version != "HTTP/1.0"))
        return std::nullopt;
    out.method = method;
    out.target = target;

    while (auto header = nextLine()) {
        if (header->empty())
            return out;
        const std::size_t colon = header->find(':');
        if (colon == 0 || colon == std::string_view::npos)
            return std::nullopt;
        const std::string_view name = header->substr(0, colon);
        if (!std::all_of(name.begin(), name.end(), isTokenCharacter))
            return std::nullopt;
        out.headers.emplace_back(name, trimmed(header->substr(colon + 1)));
    }
    return std::nullopt;  // no blank line
}

std::optional<Refusal> refusalOf(const RequestHead& head, int port) {
    const std::string host = "127.0.0.1:" + std::to_string(port);
    const auto sentHost = single(head, "Host");
    if (!sentHost || *sentHost != host)
        return refuse(403, "这里只接受发往 " + host + " 的请求");

    const bool isMake = head.path() == "/make";
    if (head.method != "GET" && head.method != "HEAD" && head.method != "POST")
        return refuse(405, {}, isMake ? "POST" : "GET, HEAD");
    if (!head.values("Content-Encoding").empty())
        return refuse(415, "不接受压缩或编码过的请求内容");
    if (head.method != "POST")
        return std::nullopt;
    if (!isMake)
        return refuse(404, {});

    // A make with neither header comes from a program, not from a page elsewhere.
    const std::string origin = "http://" + host;
    const auto origins = head.values("Origin");
    const auto referers = head.values("Referer");
    if (origins.size() > 1 || referers.size() > 1 ||
        (origins.size() == 1 && !equalsIgnoringCase(origins.front(), origin)) ||
        (referers.size() == 1 && !isOwnUrl(referers.front(), origin))) {
        return refuse(403, "不接受其他网站提交的表单");
    }
    return std::nullopt;
}

}  // namespace quelvo::skinsite
