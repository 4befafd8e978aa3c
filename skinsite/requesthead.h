// The head of an HTTP request as the site sees it before anything else is read, and the rules
// that refuse a request on its head alone (foreign hosts and origins, methods, encoded bodies).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quelvo::skinsite {

struct RequestHead {
    std::string method;
    std::string target;  // as sent, query included
    std::vector<std::pair<std::string, std::string>> headers;

    // The path of the target, without the query.
    std::string_view path() const;
    // Values of the header `name` (case-insensitive), in the order sent.
    std::vector<std::string_view> values(std::string_view name) const;
};

// Parses the request line and header lines of `head` (the bytes up to and including the blank
// line). Nothing when it is not a well-formed HTTP/1.x head.
std::optional<RequestHead> parseRequestHead(std::string_view head);

struct Refusal {
    int status = 400;
    std::string message;
    std::string allow;  // the Allow header of a 405
};

// Why a request with this head must not be served by the site on 127.0.0.1:`port`, if it must
// not. Nothing means: go on and read the request.
std::optional<Refusal> refusalOf(const RequestHead& head, int port);

}  // namespace quelvo::skinsite
