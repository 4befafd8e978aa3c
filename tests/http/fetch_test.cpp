// Fetch of a web resource against real loopback servers: cpp-httplib, and a raw one to misbehave.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/http/fetch.h"
#include "rawserver.h"
#include "support/loopbackserver.h"

namespace quelvo {
namespace {

using http::fetch;
using http::FetchOptions;
using test::httpResponse;
using test::RawReply;
using test::RawServer;

Text address(const std::string& utf8) {
    return Text::fromUtf8(utf8);
}

std::string requestLine(const std::string& head) {
    return head.substr(0, head.find("\r\n"));
}

// The value of the first header called `name` (any case), or nullopt.
std::optional<std::string> header(const std::string& head, const std::string& name) {
    std::size_t pos = head.find("\r\n");
    while (pos != std::string::npos && pos + 2 < head.size()) {
        std::size_t start = pos + 2;
        std::size_t end = head.find("\r\n", start);
        std::string line = head.substr(start, end - start);
        std::size_t colon = line.find(':');
        if (colon == name.size() &&
            std::equal(name.begin(), name.end(), line.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            std::size_t value = line.find_first_not_of(' ', colon + 1);
            return value == std::string::npos ? std::string() : line.substr(value);
        }
        pos = end;
    }
    return std::nullopt;
}

struct Stopwatch {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    long ms() const {
        return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - start)
                                     .count());
    }
};

RawServer::Answer always(RawReply reply) {
    return [reply](const std::string&) { return reply; };
}

// A port on 127.0.0.1 held by a socket that is bound and never listens: connections to it are
// refused for as long as it lives, and nothing else can take the port meanwhile.
class RefusingPort {
public:
    RefusingPort() : m_fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (m_fd >= 0 && bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
            getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
            m_port = ntohs(addr.sin_port);
    }
    ~RefusingPort() {
        if (m_fd >= 0)
            close(m_fd);
    }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    int port() const { return m_port; }

private:
    int m_fd;
    int m_port = 0;
};

// A file outside any server, to show that a file: address never reaches it.
std::string secretFile() {
    auto path = std::filesystem::temp_directory_path() / "quelvo_fetch_secret.txt";
    std::ofstream(path) << "secret";
    return path.string();
}

TEST(FetchTest, ReturnsTheBodyWhateverTheStatus) {
    test::LoopbackServer server;
    const std::string picture("GIF89a\x01\x00\x01\x00\x00\xff\x00,;", 15);
    struct Case {
        const char* path;
        test::Response response;
    } cases[] = {
        {"/bg/1.gif", {200, "image/gif", picture}},
        {"/missing.gif", {404, "text/html", "<html><body>404 no such skin</body></html>"}},
        {"/broken", {500, "text/plain", "server error"}},
        {"/empty", {200, "image/gif", ""}},
    };
    for (const Case& c : cases)
        server.route(c.path, c.response);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(fetch(address(server.url(c.path))), c.response.body);
    }
    // The server's own error page for a path it has no route for.
    EXPECT_EQ(fetch(address(server.url("/nowhere"))), "<html><body>not found</body></html>");
}

TEST(FetchTest, SendsOneHttp10GetWithTheProgramsHeaders) {
    RawServer server(always({httpResponse(200, "ok")}));
    ASSERT_EQ(fetch(address(server.url("/bg/12345.gif"))), "ok");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::string& head = requests[0];
    EXPECT_EQ(requestLine(head), "GET /bg/12345.gif HTTP/1.0");
    EXPECT_EQ(header(head, "User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    EXPECT_EQ(header(head, "Accept"), "*/*");
    EXPECT_EQ(header(head, "Cache-Control"), "no-cache");
    EXPECT_EQ(header(head, "Pragma"), "no-cache");
    EXPECT_EQ(header(head, "Host"), "127.0.0.1:" + std::to_string(server.port()));
    // A compressed body would come back still compressed.
    EXPECT_EQ(header(head, "Accept-Encoding"), std::nullopt);
}

TEST(FetchTest, FollowsRedirectsAcrossServersWithTheSameRequest) {
    test::LoopbackServer target;
    target.route("/bg/7.gif", test::Response{200, "image/gif", "finished picture"});
    RawServer server([&target](const std::string& head) -> RawReply {
        if (requestLine(head).starts_with("GET /first ")) {
            return {httpResponse(302, "moved", true, "Location: /second\r\n")};
        }
        return {httpResponse(301, "moved", true, "Location: " + target.url("/bg/7.gif") + "\r\n")};
    });
    EXPECT_EQ(fetch(address(server.url("/first"))), "finished picture");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requestLine(requests[1]), "GET /second HTTP/1.0");
    EXPECT_EQ(header(requests[1], "Cache-Control"), "no-cache");
}

TEST(FetchTest, RedirectLoopsAndRedirectsToOtherSchemesGiveEmptyBytes) {
    RawServer loop(always({httpResponse(302, "moved", true, "Location: /loop\r\n")}));
    EXPECT_EQ(fetch(address(loop.url("/loop"))), "");
    EXPECT_LE(loop.requests().size(), 11u);

    RawServer toFile(
        always({httpResponse(302, "moved", true, "Location: file://" + secretFile() + "\r\n")}));
    EXPECT_EQ(fetch(address(toFile.url("/a"))), "");
}

TEST(FetchTest, AddressesThatCannotBeFetchedGiveEmptyBytesAndSendNothing) {
    RawServer server(always({httpResponse(200, "should not be reached")}));
    const std::string hostPort = "127.0.0.1:" + std::to_string(server.port());
    const std::string cases[] = {
        "",
        "not an address",
        "http://",
        "http://[::1/x",
        "http://127.0.0.1:99999/x",
        hostPort + "/x",  // no scheme: none is guessed
        "ftp://" + hostPort + "/x",
        "gopher://" + hostPort + "/x",
        "file://" + secretFile(),
    };
    for (const std::string& a : cases) {
        SCOPED_TRACE(a);
        EXPECT_EQ(fetch(address(a)), "");
    }
    EXPECT_EQ(server.connections(), 0);
}

TEST(FetchTest, RefusedConnectionGivesEmptyBytes) {
    const RefusingPort refusing;
    ASSERT_NE(refusing.port(), 0);
    Stopwatch watch;
    EXPECT_EQ(fetch(address("http://127.0.0.1:" + std::to_string(refusing.port()) + "/bg/1.gif")),
              "");
    // Refused at once, not left to the connect time-out.
    EXPECT_LT(watch.ms(), 20000);
}

TEST(FetchTest, ConnectTimeOutEndsAConnectThatIsNeverAnswered) {
    // A listener that never accepts, with its one-place queue taken: the kernel drops further
    // handshakes, so a connect hangs until the client gives up.
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    int fillers[2];
    for (int& f : fillers) {
        f = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        connect(f, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    }
    FetchOptions options;
    options.connectTimeoutMs = 500;
    Stopwatch watch;
    EXPECT_EQ(
        fetch(address("http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/"), options),
        "");
    EXPECT_GE(watch.ms(), 400);
    EXPECT_LT(watch.ms(), 5000);
    for (int f : fillers)
        close(f);
    close(listener);
}

TEST(FetchTest, ReadBreakingOffPartWayGivesTheBytesReadSoFar) {
    const std::string part(300, 'p');
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n";
    FetchOptions options;
    options.stallTimeoutMs = 1000;
    struct Case {
        const char* name;
        RawReply reply;
    } cases[] = {
        {"closed after 300 of 1000 bytes", {head + part}},
        {"silent after 300 of 1000 bytes", {head + part, 0, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawServer server(always(c.reply));
        Stopwatch watch;
        EXPECT_EQ(fetch(address(server.url("/bg/1.gif")), options), part);
        EXPECT_LT(watch.ms(), 10000);
    }
}

TEST(FetchTest, ServerThatNeverAnswersIsLeftAfterTheStallTimeOut) {
    RawServer server(always({"", 0, true}));
    FetchOptions options;
    options.stallTimeoutMs = 1000;
    Stopwatch watch;
    EXPECT_EQ(fetch(address(server.url("/bg/1.gif")), options), "");
    EXPECT_GE(watch.ms(), 900);
    EXPECT_LT(watch.ms(), 10000);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST(FetchTest, BodyOverTheCapGivesEmptyBytes) {
    FetchOptions options;
    options.maxBodyBytes = 1000;
    struct Case {
        std::size_t size;
        bool withLength;
        bool inTwoParts;
        bool whole;
    } cases[] = {
        {1000, true, false, true},
        {1000, false, true, true},
        {1001, true, false, false},  // refused on the declared length
        {1001, false, false, false},
        {1600, false, true, false},  // the first 800 bytes were taken before the cap was reached
        {1 << 20, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.size << (c.withLength ? " with" : " without") << " Content-Length"
                     << (c.inTwoParts ? ", in two parts" : ""));
        const std::string body(c.size, 'b');
        RawReply reply{httpResponse(200, body, c.withLength)};
        if (c.inTwoParts) {
            reply.rest = reply.bytes.substr(reply.bytes.size() - c.size / 2);
            reply.bytes.resize(reply.bytes.size() - c.size / 2);
        }
        RawServer server(always(reply));
        EXPECT_EQ(fetch(address(server.url("/big.gif")), options), c.whole ? body : "");
    }
}

TEST(FetchTest, NonAsciiAndSpacesArePercentEncodedAsUtf8) {
    RawServer server(always({httpResponse(200, "ok")}));
    Text a = Text::fromUtf8(server.url("")) + "/皮肤 图/bg 1.gif?名=小 明#top"_t;
    ASSERT_EQ(fetch(a), "ok");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requestLine(requests[0]),
              "GET /%E7%9A%AE%E8%82%A4%20%E5%9B%BE/bg%201.gif?%E5%90%8D=%E5%B0%8F%20%E6%98%8E "
              "HTTP/1.0");
}

TEST(UrlFromAddressTest, EncodesWhatAUrlCannotHoldAfterTheHost) {
    struct Case {
        const char* address;
        const char* url;
    } cases[] = {
        {"http://h/a%20b%2f", "http://h/a%20b%2f"},  // escapes stay as they are
        {"http://h/100%", "http://h/100%25"},
        {"http://h/%zz%4", "http://h/%25zz%254"},
        {"http://h/a\"b<c>d\\e^f`g{h|i}", "http://h/a%22b%3Cc%3Ed%5Ce%5Ef%60g%7Bh%7Ci%7D"},
        {"http://h/a\tb\x7F", "http://h/a%09b%7F"},
        {"http://h/😀", "http://h/%F0%9F%98%80"},  // four bytes in GB18030
        {"http://h?q=a b", "http://h?q=a%20b"},
        {"http://h#a b", "http://h#a%20b"},
        {"http://u:p@h:80/~a-b_c.d!$&'()*+,;=:@/?x=[1]",
         "http://u:p@h:80/~a-b_c.d!$&'()*+,;=:@/?x=[1]"},
        {"http://例子.测试/路", "http://例子.测试/%E8%B7%AF"},  // the host is curl's to convert
        {"http://h", "http://h"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(http::urlFromAddress(address(c.address)), c.url);
    }
}

TEST(FetchTest, ProxyEnvironmentIsIgnored) {
    RawServer proxy(always({httpResponse(200, "from the proxy")}));
    RawServer server(always({httpResponse(200, "direct")}));
    const char* names[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "all_proxy", "ALL_PROXY"};
    for (const char* name : names)
        setenv(name, proxy.url("").c_str(), 1);
    std::string body = fetch(address(server.url("/bg/1.gif")));
    for (const char* name : names)
        unsetenv(name);
    EXPECT_EQ(body, "direct");
    EXPECT_EQ(proxy.connections(), 0);
}

// A server that trickles two bytes a second never stalls: the total deadline ends the fetch, with
// the bytes read so far.
TEST(FetchTest, TricklingServerIsLeftAtTheTotalDeadline) {
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n";
    RawReply reply{head};
    reply.rest = std::string(60, 't');  // 30 s at most, however the client behaves
    reply.restDelayMs = 0;
    reply.trickleMs = 500;
    RawServer server(always(reply));

    FetchOptions options;
    options.totalTimeoutMs = 2500;
    Stopwatch watch;
    const std::string body = fetch(address(server.url("/bg/1.gif")), options);
    const long elapsed = watch.ms();

    EXPECT_GE(elapsed, 2400);
    EXPECT_LT(elapsed, 20000);
    EXPECT_FALSE(body.empty());
    EXPECT_LT(body.size(), reply.rest.size());
    EXPECT_EQ(body, std::string(body.size(), 't'));
}

// The handle is kept from fetch to fetch; what one fetch set must not stay for the next.
TEST(FetchTest, LaterFetchesDoNotInheritAnEarlierFetchsBounds) {
    FetchOptions tight;
    tight.stallTimeoutMs = 1000;
    tight.maxBodyBytes = 10;
    const std::string big(5000, 'b');
    RawServer slow(always({httpResponse(200, big), 2200}));
    EXPECT_EQ(fetch(address(slow.url("/a")), tight), "");
    EXPECT_EQ(fetch(address(slow.url("/b"))), big);
}

}  // namespace
}  // namespace quelvo
