// The window fetch against a trickling loopback server: windows paint and close meanwhile.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <string>

#include "platform/widgets/windowfetch.h"
#include "rawserver.h"
#include "support/wait.h"

namespace quelvo {
namespace {

using test::RawReply;
using test::RawServer;

class CountingWindow : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

// Two bytes a second of a body that never completes within the test.
RawServer trickler() {
    return RawServer([](const std::string&) {
        RawReply reply{"HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n"};
        reply.rest = std::string(60, 't');
        reply.restDelayMs = 0;
        reply.trickleMs = 500;
        return reply;
    });
}

class WindowFetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_window.resize(200, 100);
        m_window.show();
        ASSERT_TRUE(test::waitFor([&] {
            return m_window.windowHandle() && m_window.windowHandle()->isExposed() &&
                   m_window.paints > 0;
        }));
        // What a countdown does while the fetch runs.
        QObject::connect(&m_ticker, &QTimer::timeout, &m_window, [&] { m_window.update(); });
        m_ticker.start(100);
    }

    CountingWindow m_window;
    QTimer m_ticker;
};

TEST_F(WindowFetchTest, TricklingServerEndsAtTheDeadlineWhileTheWindowRepaints) {
    RawServer server = trickler();
    http::FetchOptions options;
    options.totalTimeoutMs = 2500;
    const int paintsBefore = m_window.paints;
    QElapsedTimer clock;
    clock.start();
    const std::string body =
        widgets::windowFetch(&m_window, Text::fromUtf8(server.url("/bg/1.gif")), options);
    const qint64 elapsed = clock.elapsed();

    EXPECT_GE(elapsed, 2400);
    EXPECT_LT(elapsed, 20000);
    EXPECT_FALSE(body.empty());
    EXPECT_EQ(body, std::string(body.size(), 't'));
    EXPECT_GE(m_window.paints - paintsBefore, 5) << "the window did not repaint during the fetch";
}

TEST_F(WindowFetchTest, ClosingTheWindowStopsTheFetch) {
    RawServer server = trickler();
    QTimer::singleShot(300, &m_window, [&] { m_window.close(); });
    QElapsedTimer clock;
    clock.start();
    const std::string body =
        widgets::windowFetch(&m_window, Text::fromUtf8(server.url("/bg/1.gif")), {});
    EXPECT_FALSE(m_window.isVisible());
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(body.empty());
}

}  // namespace
}  // namespace quelvo
