// What halprobe listen reports of a camera stream's losses: missing frame numbers,
// datagrams lost as far as the indices show, frames cut short and the longest gap.

#include "tools/halprobe/LossStatistics.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace HalProbe;

namespace
{
constexpr std::uint32_t kCamera = 3;
const Clock::time_point kStart{};

CameraFrame Whole(std::uint32_t number, Clock::duration at, std::size_t datagrams = 4)
{
    CameraFrame frame;
    frame.stream = CameraStream::Combined;
    frame.deviceId = kCamera;
    frame.frameNumber = number;
    frame.datagramSizes.assign(datagrams, 100);
    frame.arrival = kStart + at;
    return frame;
}

StreamFault Incomplete(std::uint32_t number, Clock::duration at, DatagramTally tally)
{
    StreamFault fault;
    fault.stream = CameraStream::Combined;
    fault.deviceId = kCamera;
    fault.frameNumber = number;
    fault.datagrams = tally;
    fault.arrival = kStart + at;
    return fault;
}
} // namespace

TEST(LossStatistics, CountsMissingFramesLostDatagramsAndTheLongestGap)
{
    LossStatistics losses;
    losses.AddFrame(Whole(10, 0ms));
    losses.AddFrame(Whole(11, 10ms));
    // 12 and 13 never came; 14 lost datagram 1 of 0..3; 16 came before 15, whose last
    // datagram (and so its length) was lost after index 2 came without 0 and 1.
    losses.AddFault(Incomplete(14, 40ms, {3, 4, true}));
    losses.AddFrame(Whole(16, 70ms));
    losses.AddFault(Incomplete(15, 50ms, {1, 3, false}));
    losses.AddFrame(Whole(20, 500ms));

    const LossCounts counts = losses.Counts(kCamera, CameraStream::Combined);
    EXPECT_EQ(counts.wholeFrames, 4u);
    EXPECT_EQ(counts.incompleteFrames, 2u);
    EXPECT_EQ(counts.missingFrames, 5u);
    EXPECT_EQ(counts.datagramsLost, 3u);
    EXPECT_EQ(counts.framesCutShort, 1u);
    EXPECT_EQ(counts.longestGap, 430ms);
    using Range = std::pair<std::uint32_t, std::uint32_t>;
    EXPECT_EQ(counts.missingRanges, (std::vector<Range>{{12, 13}, {17, 19}}));
    EXPECT_EQ(losses.TotalLines(),
              std::vector<std::string>{
                  "camera 0x00000003 (3) combined stream: 4 whole and 2 incomplete frames, 5 "
                  "frames missing "
                  "(12-13, 17-19), 3 datagrams lost, 1 frames cut short, longest gap 430.0 ms"});
}

TEST(LossStatistics, FaultsThatAreNotIncompleteFramesAreNoLosses)
{
    LossStatistics losses;
    StreamFault stranger;
    stranger.what = "datagram from nowhere";
    losses.AddFault(stranger);
    StreamFault twice = Incomplete(5, 0ms, {});
    twice.datagrams.reset();
    losses.AddFault(twice);
    EXPECT_TRUE(losses.TotalLines().empty());
    EXPECT_EQ(losses.Counts(kCamera, CameraStream::Combined).incompleteFrames, 0u);
}
