#include "Utils/UtilsThreading/TickGrid.h"

#include <gtest/gtest.h>
#include <vector>

using UtilsThreading::VTickGrid;
using namespace std::chrono_literals;

namespace
{
const VTickGrid::Clock::time_point kStart{10s};

// Serves ticks that take the given times and returns when each one became due, in
// milliseconds after the start.
std::vector<long long> DueTimes(std::chrono::milliseconds period,
                                const std::vector<std::chrono::milliseconds>& tickLengths)
{
    VTickGrid grid(kStart, period);
    std::vector<long long> due{(grid.First() - kStart) / 1ms};
    auto tickStart = grid.First();
    for (const auto length : tickLengths)
    {
        const auto next = grid.Next(tickStart + length);
        if (!next)
            break;
        due.push_back((*next - kStart) / 1ms);
        tickStart = std::max(*next, tickStart + length);
    }
    return due;
}
} // namespace

TEST(TickGrid, ShortTicksStayOnTheGrid)
{
    EXPECT_EQ(DueTimes(100ms, {1ms, 99ms, 0ms}), (std::vector<long long>{0, 100, 200, 300}));
}

TEST(TickGrid, AnOverrunIsFollowedAtOnceByOneMergedTickThenTheGrid)
{
    // The 130 ms tick at 0 ends at 130: the tick of the 100 ms grid point follows at once,
    // then 200 and 300 as usual.
    EXPECT_EQ(DueTimes(100ms, {130ms, 1ms, 1ms}), (std::vector<long long>{0, 100, 200, 300}));
    // Grid points 100, 200 and 300 pass during a 350 ms tick: one tick stands for them all.
    EXPECT_EQ(DueTimes(100ms, {350ms, 1ms}), (std::vector<long long>{0, 300, 400}));
    // A tick that ends exactly on a grid point is followed by that grid point's tick.
    EXPECT_EQ(DueTimes(100ms, {100ms, 1ms}), (std::vector<long long>{0, 100, 200}));
}

TEST(TickGrid, AZeroPeriodGivesTheFirstTickOnly)
{
    EXPECT_EQ(DueTimes(0ms, {0ms, 5ms}), (std::vector<long long>{0}));
}
