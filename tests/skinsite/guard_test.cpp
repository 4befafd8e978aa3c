// The site against hostile and slow clients on raw sockets: refusals on the head alone, before any
// body is read; only its own host and origin; bounded slow clients, a cap on makes, prompt stops.
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/skinsite/giftools.h"
#include "tests/skinsite/rawclient.h"
#include "tests/skinsite/sitefixture.h"

namespace quelvo::test {
namespace {

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class GuardTest : public SiteTest {
protected:
    skinsite::Options siteOptions() const override {
        skinsite::Options options = SiteTest::siteOptions();
        // Far longer than any wait below: an answer that comes sooner did not wait for a body.
        options.requestTime = std::chrono::seconds(60);
        return options;
    }
    std::string host() const { return "127.0.0.1:" + std::to_string(m_site->port()); }
    std::string origin() const { return "http://" + host(); }
};

TEST_F(GuardTest, RefusesOnTheHeadAloneAndCloses) {
    struct Case {
        const char* what;
        std::string head;  // request line and headers but Content-Length
        int status;
        const char* allow = nullptr;
    };
    const std::string own = "Host: " + host() + "\r\n";
    const Case cases[] = {
        {"DELETE", "DELETE /1.html HTTP/1.1\r\n" + own, 405, "GET, HEAD"},
        {"PUT make", "PUT /make HTTP/1.1\r\n" + own, 405, "POST"},
        {"PROPFIND", "PROPFIND / HTTP/1.1\r\n" + own, 405, "GET, HEAD"},
        {"OPTIONS", "OPTIONS * HTTP/1.1\r\n" + own, 400},
        {"POST template", "POST /1.html HTTP/1.1\r\n" + own, 404},
        {"POST picture", "POST /bg/12345.gif HTTP/1.1\r\n" + own, 404},
        {"gzip make", "POST /make HTTP/1.1\r\n" + own + "Content-Encoding: gzip\r\n", 415},
        {"identity make", "POST /make HTTP/1.1\r\n" + own + "Content-Encoding: identity\r\n", 415},
        {"encoded GET", "GET / HTTP/1.1\r\n" + own + "Content-Encoding: br\r\n", 415},
        {"rebound host",
         "GET / HTTP/1.1\r\nHost: evil.example:" + std::to_string(m_site->port()) + "\r\n", 403},
        {"localhost",
         "GET / HTTP/1.1\r\nHost: localhost:" + std::to_string(m_site->port()) + "\r\n", 403},
        {"host without port", "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n", 403},
        {"no host", "GET / HTTP/1.1\r\n", 403},
        {"two hosts", "GET / HTTP/1.1\r\n" + own + "Host: evil.example\r\n", 403},
        {"rebound make", "POST /make HTTP/1.1\r\nHost: evil.example\r\n", 403},
        {"foreign origin", "POST /make HTTP/1.1\r\n" + own + "Origin: http://evil.example\r\n",
         403},
        {"null origin", "POST /make HTTP/1.1\r\n" + own + "Origin: null\r\n", 403},
        {"other port", "POST /make HTTP/1.1\r\n" + own + "Origin: http://127.0.0.1:1\r\n", 403},
        {"foreign referer",
         "POST /make HTTP/1.1\r\n" + own + "Referer: http://evil.example/1.html\r\n", 403},
        {"look-alike referer",
         "POST /make HTTP/1.1\r\n" + own + "Referer: " + origin() + ".evil.example/\r\n", 403},
        {"own origin, foreign referer",
         "POST /make HTTP/1.1\r\n" + own + "Origin: " + origin() +
             "\r\nReferer: http://evil.example/\r\n",
         403},
        {"not HTTP", "GET / SPDY/3\r\n" + own, 400},
    };
    const auto before = folderContents(dataDir());
    for (const Case& c : cases) {
        RawClient raw(m_site->port());
        ASSERT_TRUE(raw.connected());
        // A body that never comes: a server that reads it answers only when it gives up.
        const auto start = Clock::now();
        raw.send(c.head +
                 "Content-Type: application/x-www-form-urlencoded\r\n"
                 "Content-Length: 1000000000\r\n\r\n");
        EXPECT_TRUE(raw.readUntilClosed(20000)) << c.what << ": the connection stays open";
        EXPECT_LT(msSince(start), 10000) << c.what << ": the answer waited for the body";
        EXPECT_EQ(raw.status(), c.status) << c.what << ": " << raw.received();
        EXPECT_TRUE(raw.hasHeader("Connection: close")) << c.what;
        EXPECT_TRUE(raw.hasHeader("Content-Type: text/html; charset=utf-8")) << c.what;
        if (c.allow) {
            EXPECT_TRUE(raw.hasHeader(std::string("Allow: ") + c.allow)) << c.what;
        }
    }
    EXPECT_EQ(folderContents(dataDir()), before);
}

TEST_F(GuardTest, AMakeFromItsOwnPagesIsServed) {
    const std::string body = formEncode(profileForm("10001", 4));
    for (const auto& headers : std::vector<httplib::Headers>{
             {{"Origin", origin()}},
             {{"Referer", origin() + "/4.html"}},
             {{"Origin", origin()}, {"Referer", origin() + "/4.html?x=1"}},
         }) {
        auto res = client()->Post("/make", headers, body, "application/x-www-form-urlencoded");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200) << res->body;
    }
}

TEST_F(GuardTest, TooLongAHeadIsRefused) {
    RawClient raw(m_site->port());
    raw.send("GET / HTTP/1.1\r\nHost: " + host() + "\r\n");
    for (int i = 0; i < 40 && raw.send("X-Pad: " + std::string(1000, 'a') + "\r\n"); ++i) {
    }
    EXPECT_TRUE(raw.readUntilClosed(20000));
    EXPECT_EQ(raw.status(), 431) << raw.received().substr(0, 200);
}

class SlowClientTest : public GuardTest {
protected:
    skinsite::Options siteOptions() const override {
        skinsite::Options options = GuardTest::siteOptions();
        options.requestTime = std::chrono::seconds(3);
        return options;
    }
};

// 16 connections send one byte of a request head a second, for at most 10 s.
class Trickle {
public:
    Trickle(int port, const std::string& host) {
        m_head = "GET / HTTP/1.1\r\nHost: " + host + "\r\nX-Slow: " + std::string(64, 'a');
        for (int i = 0; i < 16; ++i)
            m_clients.push_back(std::make_unique<RawClient>(port));
        m_thread = std::thread([this] { run(); });
    }
    ~Trickle() {
        m_stop = true;
        waitUntilOver();
    }
    void waitUntilOver() {
        if (m_thread.joinable())
            m_thread.join();
    }
    // Connections the server ended with a 408 before the trickle was over.
    int cutOff() const { return m_cutOff; }

private:
    void run() {
        std::vector<bool> open(m_clients.size(), true);
        for (std::size_t second = 0; second < 10 && !m_stop; ++second) {
            for (std::size_t i = 0; i < m_clients.size(); ++i) {
                RawClient& c = *m_clients[i];
                if (!open[i])
                    continue;
                pollfd pfd{c.fd(), POLLIN, 0};
                if (::poll(&pfd, 1, 0) > 0) {
                    open[i] = false;
                    c.readUntilClosed(5000);
                    m_cutOff += c.status() == 408;
                    continue;
                }
                c.send(std::string_view(m_head).substr(second % m_head.size(), 1));
            }
            for (int tenth = 0; tenth < 10 && !m_stop; ++tenth)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }

    std::string m_head;
    std::vector<std::unique_ptr<RawClient>> m_clients;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_cutOff{0};
};

TEST_F(SlowClientTest, TricklingClientsAreCutOffAndOthersAreServedMeanwhile) {
    Trickle trickle(m_site->port(), host());
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // all of them are in a head
    auto preview = get("/img/pifu/bg3.gif");
    ASSERT_TRUE(preview);
    EXPECT_EQ(preview->status, 200);
    EXPECT_TRUE(decodeGif(preview->body).ok);
    auto made = post(profileForm("10001", 3));
    ASSERT_TRUE(made);
    EXPECT_EQ(made->status, 200);
    EXPECT_EQ(get("/bg/10001.gif")->status, 200);
    trickle.waitUntilOver();
    EXPECT_EQ(trickle.cutOff(), 16);
}

TEST_F(SlowClientTest, StopReturnsPromptlyWhateverClientsDo) {
    ASSERT_EQ(get("/img/pifu/bg7.gif")->status, 200);  // painted now, not during the stop
    Trickle trickle(m_site->port(), host());
    // One more that sends half a make and one that never reads a large answer.
    RawClient halfBody(m_site->port());
    const std::string body = formEncode(profileForm("10001"));
    halfBody.send("POST /make HTTP/1.1\r\nHost: " + host() +
                  "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                  std::to_string(body.size()) + "\r\n\r\n" + body.substr(0, body.size() / 2));
    RawClient nonReader(m_site->port());
    const int small = 4096;
    ::setsockopt(nonReader.fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    std::string requests;
    for (int i = 0; i < 50; ++i)
        requests += "GET /img/pifu/bg7.gif HTTP/1.1\r\nHost: " + host() + "\r\n\r\n";
    nonReader.send(requests);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));

    const auto start = Clock::now();
    m_site->stop();
    EXPECT_LT(msSince(start), 2000);
    EXPECT_FALSE(m_site->isRunning());
}

class BusyTest : public GuardTest {
protected:
    skinsite::Options siteOptions() const override {
        skinsite::Options options = GuardTest::siteOptions();
        options.maxMakes = 1;
        return options;
    }
};

TEST_F(BusyTest, MakesOverTheCapGetTheBusyPage) {
    // A make that has sent its head but not all of its body holds the one place. Which of two
    // makes the server sees first is a race, so try again until the slow one is the holder: the
    // quick make is refused while the slow one has had no answer.
    const std::string body = formEncode(profileForm("10001"));
    std::unique_ptr<RawClient> slow;
    std::optional<httplib::Result> refused;
    for (int attempt = 1; attempt <= 10 && !refused; ++attempt) {
        slow = std::make_unique<RawClient>(m_site->port());
        slow->send("POST /make HTTP/1.1\r\nHost: " + host() +
                   "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                   std::to_string(body.size()) + "\r\n\r\n" + body.substr(0, 10));
        std::this_thread::sleep_for(std::chrono::milliseconds(100 * attempt));
        auto res = post(profileForm("10002"));
        ASSERT_TRUE(res);
        if (res->status == 503 && !slow->readHead(20))
            refused = std::move(res);
    }
    ASSERT_TRUE(refused) << "the slow make never held the place";
    EXPECT_EQ((*refused)->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE((*refused)->body.find("503"), std::string::npos);
    // Previews go on meanwhile.
    EXPECT_EQ(get("/img/pifu/bg2.gif")->status, 200);

    slow->send(body.substr(10));
    ASSERT_TRUE(slow->readHead(20000));
    EXPECT_EQ(slow->status(), 200);
    auto after = post(profileForm("10002"));
    ASSERT_TRUE(after);
    EXPECT_EQ(after->status, 200);
}

}  // namespace
}  // namespace quelvo::test
