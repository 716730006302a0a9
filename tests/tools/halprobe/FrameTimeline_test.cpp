#include "tools/halprobe/FrameTimeline.h"

#include <gtest/gtest.h>

using namespace HalProbe;
using namespace std::chrono_literals;

namespace
{
constexpr double kRate = 100.0; // a period of 10 ms
constexpr double kTolerance = 1e-9;

// Frame `number` arriving `late` after its place on a grid that starts at `origin`.
void Arrive(FrameTimeline& timeline, std::uint32_t number, Clock::duration late,
            Clock::time_point origin = Clock::time_point{} + 1s)
{
    timeline.Add(number, origin + number * 10ms + late);
}
} // namespace

TEST(FrameTimeline, LatenessIsMeasuredFromTheEarliestGridTheFramesAllow)
{
    FrameTimeline steady(kRate);
    for (std::uint32_t number = 100; number < 110; ++number)
        Arrive(steady, number, 7ms);
    EXPECT_NEAR(steady.TotalLateness().maxSeconds, 0.0, kTolerance)
        << "a constant delay is the grid's, not the frames'";

    // The first frame comes 4 ms late and the others on time: the grid follows the others,
    // so the first is the late one, not all the rest early.
    FrameTimeline lateStart(kRate);
    Arrive(lateStart, 0, 4ms);
    for (std::uint32_t number = 1; number < 4; ++number)
        Arrive(lateStart, number, 0ms);
    const Lateness lateness = lateStart.TotalLateness();
    EXPECT_EQ(lateness.frames, 4u);
    EXPECT_NEAR(lateness.maxSeconds, 0.004, kTolerance);
    EXPECT_NEAR(lateness.meanSeconds, 0.001, kTolerance);
}

TEST(FrameTimeline, MissingNumbersBetweenConsecutiveFramesAreSkipped)
{
    FrameTimeline timeline(kRate);
    for (std::uint32_t number : {10u, 11u, 14u, 15u, 19u})
        Arrive(timeline, number, 0ms);
    EXPECT_EQ(timeline.TotalSkipped(), 5u);
    EXPECT_NEAR(timeline.TotalLateness().maxSeconds, 0.0, kTolerance)
        << "frames after a gap belong where their numbers put them";

    FrameTimeline repeats(kRate);
    for (std::uint32_t number : {10u, 10u, 9u, 11u})
        Arrive(repeats, number, 0ms);
    EXPECT_EQ(repeats.TotalSkipped(), 0u) << "a repeat or a step back skips nothing";

    FrameTimeline wrapping(kRate);
    const Clock::time_point origin = Clock::time_point{} + 1s;
    wrapping.Add(0xFFFFFFFE, origin);
    wrapping.Add(0xFFFFFFFF, origin + 10ms);
    wrapping.Add(1, origin + 30ms);
    EXPECT_EQ(wrapping.TotalSkipped(), 1u) << "only frame 0 is missing across the wrap";
    EXPECT_NEAR(wrapping.TotalLateness().maxSeconds, 0.0, kTolerance);
}

TEST(FrameTimeline, AnIntervalCountsItsOwnFramesAgainstTheWholeRunsGrid)
{
    FrameTimeline timeline(kRate);
    Arrive(timeline, 0, 0ms);
    Arrive(timeline, 1, 2ms);
    Arrive(timeline, 3, 0ms);
    timeline.StartInterval();
    EXPECT_EQ(timeline.IntervalLateness().frames, 0u);
    EXPECT_EQ(timeline.IntervalSkipped(), 0u);
    Arrive(timeline, 4, 1ms);
    Arrive(timeline, 6, 3ms);
    const Lateness interval = timeline.IntervalLateness();
    EXPECT_EQ(interval.frames, 2u);
    EXPECT_NEAR(interval.meanSeconds, 0.002, kTolerance);
    EXPECT_NEAR(interval.maxSeconds, 0.003, kTolerance);
    EXPECT_EQ(timeline.IntervalSkipped(), 1u);
    EXPECT_EQ(timeline.TotalSkipped(), 2u);
    EXPECT_EQ(timeline.Frames(), 5u);
}
