// Fetch of a whole web resource into bytes over libcurl.
#include "platform/http/fetch.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <string_view>

namespace quelvo::http {

namespace {

constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr long kMaxRedirects = 10;

// The one handle of the program. It is never freed: it lives as long as the process, and freeing
// it from a static destructor would race the TLS library's own exit handlers.
struct Session {
    std::atomic<bool> inUse{false};
    CURL* handle = nullptr;
};

Session& session() {
    static Session s;
    return s;
}

bool curlReady() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return initialised;
}

// Marks the session's handle taken for one fetch.
class SessionClaim {
public:
    explicit SessionClaim(Session& s) : m_session(s), m_owned(!s.inUse.exchange(true)) {}
    ~SessionClaim() {
        if (m_owned)
            m_session.inUse = false;
    }
    SessionClaim(const SessionClaim&) = delete;
    SessionClaim& operator=(const SessionClaim&) = delete;
    bool owned() const { return m_owned; }

private:
    Session& m_session;
    bool m_owned;
};

struct HandleDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

struct Body {
    std::string bytes;
    std::size_t limit = 0;
    bool overLimit = false;
};

std::size_t appendBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* body = static_cast<Body*>(user);
    std::size_t n = size * count;
    if (n > body->limit - body->bytes.size()) {
        body->overLimit = true;
        return 0;  // anything short of n makes curl stop the transfer
    }
    body->bytes.append(data, n);
    return n;
}

// Called by curl at least once a second, whether bytes come or not.
int stopWhenAsked(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::stop_token*>(user)->stop_requested() ? 1 : 0;
}

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

// A URL with an http or https scheme that curl's parser accepts; a missing scheme is not guessed.
bool isWebUrl(const std::string& url) {
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
        return false;
    }
    char* scheme = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK)
        return false;
    std::string_view s(scheme);
    bool web = s == "http" || s == "https";
    curl_free(scheme);
    return web;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool mayStayAsIs(unsigned char c) {
    if (c <= 0x20 || c >= 0x7F)
        return false;
    return std::string_view("\"<>\\^`{|}").find(static_cast<char>(c)) == std::string_view::npos;
}

}  // namespace

std::string urlFromAddress(const Text& address) {
    std::string utf8 = address.toUtf8();
    // The host is left alone: percent-encoding is not allowed there, and curl turns a non-ASCII
    // host into its ASCII form itself.
    std::size_t start = 0;
    std::size_t schemeEnd = utf8.find("://");
    if (schemeEnd != std::string::npos) {
        start = utf8.find_first_of("/?#", schemeEnd + 3);
        if (start == std::string::npos)
            start = utf8.size();
    }
    std::string url = utf8.substr(0, start);
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = start; i < utf8.size(); ++i) {
        auto c = static_cast<unsigned char>(utf8[i]);
        bool startsEscape =
            i + 2 < utf8.size() && isHexDigit(utf8[i + 1]) && isHexDigit(utf8[i + 2]);
        if (mayStayAsIs(c) && (c != '%' || startsEscape)) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0x0F];
        }
    }
    return url;
}

std::string fetch(const Text& address, const FetchOptions& options, std::stop_token stop) {
    if (address.empty())
        return {};
    std::string url = urlFromAddress(address);
    if (!isWebUrl(url))
        return {};

    // A fetch started while another runs (an event handled during it, another thread) gets a
    // handle of its own.
    if (!curlReady())
        return {};
    Session& s = session();
    const SessionClaim claim(s);
    std::unique_ptr<CURL, HandleDeleter> own;
    if (claim.owned() && !s.handle)
        s.handle = curl_easy_init();
    if (!claim.owned())
        own.reset(curl_easy_init());
    CURL* curl = claim.owned() ? s.handle : own.get();
    if (!curl)
        return {};
    // Every option is set again for each fetch, so nothing of an earlier one carries over; the
    // handle itself (and its caches) stays.
    curl_easy_reset(curl);

    curl_slist* list = nullptr;
    for (const char* line : {"Accept: */*", "Cache-Control: no-cache", "Pragma: no-cache"}) {
        curl_slist* grown = curl_slist_append(list, line);
        if (!grown) {
            curl_slist_free_all(list);
            return {};
        }
        list = grown;
    }
    std::unique_ptr<curl_slist, SlistDeleter> headers(list);

    Body body;
    body.limit = options.maxBodyBytes;
    long stallSeconds = options.stallTimeoutMs <= 0 ? 1 : (options.stallTimeoutMs + 999) / 1000;

    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
    // An empty proxy turns off the proxy environment variables as well.
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, stallSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, std::max(1L, options.totalTimeoutMs));
    // Refuses a declared length over the cap before any of the body is read.
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(std::min<std::uint64_t>(
                         options.maxBodyBytes, std::numeric_limits<curl_off_t>::max())));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, appendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    if (stop.stop_possible()) {
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, stopWhenAsked);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &stop);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    }

    CURLcode result = curl_easy_perform(curl);
    // The handle must not keep pointers into this call's locals.
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, nullptr);

    if (body.overLimit || result == CURLE_FILESIZE_EXCEEDED || result == CURLE_ABORTED_BY_CALLBACK)
        return {};
    // Complete, or whatever arrived before the transfer broke off. A failure to connect or send
    // leaves it empty.
    return std::move(body.bytes);
}

}  // namespace quelvo::http
