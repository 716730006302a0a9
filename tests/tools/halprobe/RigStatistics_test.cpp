#include "tools/halprobe/RigStatistics.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace HalProbe;
using namespace std::chrono_literals;
using testing::ContainsRegex;
using testing::HasSubstr;

namespace
{
constexpr std::uint32_t kBox = 0x02000001;
constexpr std::uint32_t kCamera = 0x000003E9;

const std::vector<RigDevice> kRig = {{kBox, 2, 1, 0x7F000001}, {kCamera, 0, 2, 0x7F000001}};

void Frames(RigStatistics& statistics, std::uint32_t deviceId, PlayStream stream,
            std::initializer_list<std::uint32_t> numbers)
{
    const Clock::time_point origin = Clock::time_point{} + 1s;
    for (std::uint32_t number : numbers)
        statistics.AddFrame(deviceId, stream, number, origin + number * 10ms, 2, 100);
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}
} // namespace

TEST(RigStatistics, EveryDeviceFoundMustSendAFrame)
{
    RigStatistics statistics(100.0, kRig);
    Frames(statistics, kBox, PlayStream::Analogue, {1, 2, 3});
    statistics.AddDatagram(kCamera, 24);                          // a status record is no frame
    Frames(statistics, 0x000003EA, PlayStream::Centroid, {1, 2}); // not found beforehand
    PlayVerdict verdict = statistics.Verdict();
    EXPECT_FALSE(verdict.allStreamed);
    EXPECT_EQ(verdict.text, "1 of 2 devices sent no frame: camera 0x000003E9, no frame skipped");

    Frames(statistics, kCamera, PlayStream::Combined, {1, 2, 3});
    verdict = statistics.Verdict();
    EXPECT_TRUE(verdict.allStreamed);
    EXPECT_EQ(verdict.text, "all 2 devices streamed, no frame skipped");
}

TEST(RigStatistics, ADevicesStreamsCountItsFramesOnceAndEachItsSkips)
{
    RigStatistics statistics(100.0, kRig);
    Frames(statistics, kBox, PlayStream::Analogue, {1, 2, 3, 4});
    Frames(statistics, kCamera, PlayStream::Centroid, {1, 2, 3, 4});
    Frames(statistics, kCamera, PlayStream::Greyscale, {1, 4});
    statistics.AddFault(kCamera);
    statistics.AddFault(std::nullopt);

    const std::string totals = Joined(statistics.TotalLines(2.0));
    // frames, skipped, faults, datagrams, bytes, frames/s
    EXPECT_THAT(totals, ContainsRegex("camera 0x000003E9 +4 +2 +1 +12 +600 +2\\.0 "));
    EXPECT_THAT(totals, ContainsRegex("box 0x02000001 +4 +0 +0 +8 +400 +2\\.0 "));
    EXPECT_THAT(totals, HasSubstr("1 faults named no device"));
    const PlayVerdict verdict = statistics.Verdict();
    EXPECT_TRUE(verdict.allStreamed);
    EXPECT_EQ(verdict.text, "all 2 devices streamed, 2 frames skipped, 2 stream faults");
}

TEST(RigStatistics, RateLinesShowEveryFoundDeviceAndStartAfreshEachTime)
{
    RigStatistics statistics(100.0, kRig);
    Frames(statistics, kBox, PlayStream::Timecode, {1, 2, 3, 4});
    std::vector<std::string> lines = statistics.TakeRateLines(0.5);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_THAT(lines[0],
                ContainsRegex("^box 0x02000001 +8\\.0 frames/s +16\\.0 datagrams/s +0\\.8 kB/s"));
    EXPECT_THAT(lines[1], ContainsRegex("^camera 0x000003E9 +0\\.0 frames/s"));

    Frames(statistics, kBox, PlayStream::Timecode, {7});
    lines = statistics.TakeRateLines(1.0);
    EXPECT_THAT(lines[0], ContainsRegex("1\\.0 frames/s .* 2 skipped"));
    lines = statistics.TakeRateLines(1.0);
    EXPECT_THAT(lines[0], ContainsRegex("0\\.0 frames/s .* 0 skipped"));
}
