// The timed wait: ends after its time, keeps events flowing without spinning, nests, scales.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <time.h>

#include <string>
#include <vector>

#include "platform/widgets/timedwait.h"

namespace quelvo::widgets {
namespace {

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Upper bounds only tell "ended" from "hung" or "not scaled": a shared machine can be slow.
constexpr qint64 kGenerousMs = 8000;

class TimedWaitTest : public ::testing::Test {
protected:
    void TearDown() override { setTimedWaitScale(1.0); }
};

TEST_F(TimedWaitTest, EndsOnlyAfterMoreThanItsTime) {
    for (int ms : {1, 30, 120}) {
        QElapsedTimer clock;
        clock.start();
        timedWait(ms);
        const qint64 elapsed = clock.elapsed();
        EXPECT_GT(elapsed, ms - 1) << ms;  // elapsed() truncates to whole ms
        // Only "it ends": how late it ends is bench/timedwait's figure on a loaded machine.
        EXPECT_LT(elapsed, ms + kGenerousMs) << ms;
    }
}

TEST_F(TimedWaitTest, ZeroOrLessHandlesPendingEventsAndReturns) {
    for (int ms : {0, -5}) {
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        QElapsedTimer clock;
        clock.start();
        timedWait(ms);
        EXPECT_TRUE(ran) << ms;
        EXPECT_LT(clock.elapsed(), kGenerousMs) << ms;
    }
}

// The fault this catches is the busy wait: a loop around processEvents burns a core.
TEST_F(TimedWaitTest, KeepsTimersRunningWithoutSpinning) {
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);

    const double cpuBefore = cpuMs();
    QElapsedTimer clock;
    clock.start();
    timedWait(400);
    const double wall = clock.nsecsElapsed() / 1e6;
    const double cpu = cpuMs() - cpuBefore;

    EXPECT_GE(ticks, 25);
    EXPECT_LT(cpu / wall, 0.25) << "cpu " << cpu << " ms over " << wall << " ms";
}

TEST_F(TimedWaitTest, NestedWaitsEachKeepTheirOwnDeadline) {
    struct Case {
        int outer;
        int startInner;
        int inner;
        int outerAtLeast;
    };
    // An inner wait that outlasts the outer one holds it; a short one does not shorten it.
    const Case cases[] = {{100, 20, 200, 220}, {250, 20, 50, 250}};
    for (const Case& c : cases) {
        std::vector<std::string> order;
        QTimer::singleShot(c.startInner, [&] {
            timedWait(c.inner);
            order.push_back("inner");
        });
        QElapsedTimer clock;
        clock.start();
        timedWait(c.outer);
        order.push_back("outer");
        EXPECT_GE(clock.elapsed(), c.outerAtLeast - 1) << c.outer << "/" << c.inner;
        EXPECT_LT(clock.elapsed(), c.outerAtLeast + kGenerousMs) << c.outer << "/" << c.inner;
        EXPECT_EQ(order, (std::vector<std::string>{"inner", "outer"}));
    }
}

TEST_F(TimedWaitTest, ScaleShortensLongWaitsForTests) {
    setTimedWaitScale(0.01);
    EXPECT_DOUBLE_EQ(timedWaitScale(), 0.01);
    QElapsedTimer clock;
    clock.start();
    timedWait(20000);
    EXPECT_GE(clock.elapsed(), 199);
    EXPECT_LT(clock.elapsed(), 20000 - kGenerousMs);  // scaled, however loaded the machine

    setTimedWaitScale(-3);
    EXPECT_DOUBLE_EQ(timedWaitScale(), 0.0);
}

// Quitting ends every loop; a wait then must end too instead of spinning to its deadline. Run in
// a child process: a quit would end this test program's loops for good.
TEST_F(TimedWaitTest, EndsWhenTheApplicationQuits) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // As in the program: the wait runs inside the application's loop, and quit() is
            // what closing the last window does.
            QTimer::singleShot(0, [] {
                QTimer::singleShot(50, [] { QCoreApplication::quit(); });
                QElapsedTimer clock;
                clock.start();
                const double cpuBefore = cpuMs();
                timedWait(5000);
                const bool early = clock.elapsed() < 1000;
                const bool idle = cpuMs() - cpuBefore < 500;
                std::_Exit(early && idle ? 0 : 1);
            });
            QCoreApplication::exec();
            std::_Exit(2);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace quelvo::widgets
