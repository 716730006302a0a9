#include "Utils/UtilsThreading/Stopwatch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>

using testing::MatchesRegex;
using UtilsThreading::tsl_timer;
using UtilsThreading::VStopwatch;

namespace
{
// Spins until the running reading has reached `microseconds`; a stopwatch only ever sees
// the clock advance, so the wait is bounded by the clock, not by a guess.
template <typename Timer> void RunFor(const Timer& timer, double microseconds)
{
    while (timer.Microseconds() < microseconds)
    {
    }
}

template <typename Timer> std::string Printed(const Timer& timer)
{
    std::ostringstream text;
    text << timer;
    return text.str();
}
} // namespace

TEST(Stopwatch, TslTimerRunningReadingLeavesOutEarlierRuns)
{
    tsl_timer timer;
    EXPECT_EQ(timer.Microseconds(), 0.0f);
    timer.Start();
    RunFor(timer, 20'000);
    timer.Stop();
    const float accumulated = timer.Microseconds();
    EXPECT_GE(accumulated, 20'000.0f);
    EXPECT_EQ(timer.Microseconds(), accumulated) << "a stopped reading does not move";
    EXPECT_FLOAT_EQ(timer.Milliseconds(), accumulated / 1e3f);
    EXPECT_FLOAT_EQ(timer.Seconds(), accumulated / 1e6f);

    timer.Start();
    EXPECT_LT(timer.Microseconds(), accumulated);
    RunFor(timer, 1'000);
    timer.Stop();
    EXPECT_GE(timer.Microseconds(), accumulated + 1'000.0f);

    timer.Reset();
    EXPECT_EQ(timer.Microseconds(), 0.0f);
}

TEST(Stopwatch, VStopwatchAccumulatesOverStartStopPairs)
{
    VStopwatch stopwatch;
    stopwatch.Start();
    RunFor(stopwatch, 1'000);
    stopwatch.Stop();
    const double first = stopwatch.Nanoseconds();
    EXPECT_GE(first, 1e6);
    EXPECT_EQ(stopwatch.Nanoseconds(), first) << "a stopped reading does not move";
    EXPECT_DOUBLE_EQ(stopwatch.Microseconds(), first / 1e3);
    EXPECT_DOUBLE_EQ(stopwatch.Milliseconds(), first / 1e6);
    EXPECT_DOUBLE_EQ(stopwatch.Seconds(), first / 1e9);

    stopwatch.Start();
    EXPECT_GE(stopwatch.Nanoseconds(), first) << "a running reading includes earlier runs";
    RunFor(stopwatch, first / 1e3 + 1'000);
    stopwatch.Stop();
    EXPECT_GE(stopwatch.Nanoseconds(), first + 1e6);
}

TEST(Stopwatch, PrintForms)
{
    tsl_timer timer;
    timer.Start();
    timer.Stop();
    EXPECT_THAT(Printed(timer), MatchesRegex("tsl_timer : [0-9.e+-]+ msec elapsed"));
    EXPECT_EQ(Printed(tsl_timer()), "tsl_timer : 0 msec elapsed");

    VStopwatch stopwatch;
    stopwatch.Start();
    stopwatch.Stop();
    EXPECT_THAT(Printed(stopwatch), MatchesRegex("Timer : [0-9.e+-]+ms"));
    EXPECT_EQ(Printed(VStopwatch()), "Timer : 0ms");
}
