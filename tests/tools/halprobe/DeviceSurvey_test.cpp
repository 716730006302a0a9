#include "tests/support/UdpTestSocket.h"
#include "tools/halprobe/AnnouncementListener.h"
#include "tools/halprobe/RecordText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace HalProbe;
using namespace std::chrono_literals;

namespace
{
Announcement Alive(std::uint32_t deviceId, Clock::time_point arrival)
{
    Announcement alive;
    alive.kind = Announcement::Kind::Alive;
    alive.deviceId = deviceId;
    alive.deviceClass = 2;
    alive.localAddress = 0x7F000001;
    alive.arrival = arrival;
    return alive;
}

Announcement Awake(std::uint32_t deviceId, std::uint8_t port)
{
    Announcement awake = Alive(deviceId, {});
    awake.kind = Announcement::Kind::Awake;
    awake.port = port;
    return awake;
}
} // namespace

TEST(DeviceSurvey, CountsPerDeviceAndMeasuresTheAliveRate)
{
    DeviceSurvey survey;
    const Clock::time_point start{};
    survey.Add(Awake(0x02000001, 1));
    for (int tick = 0; tick <= 20; ++tick)
        survey.Add(Alive(0x02000001, start + tick * 100ms));
    survey.Add(Alive(5, start));
    survey.Add(Announcement{});

    ASSERT_EQ(survey.Devices().size(), 2u);
    const DeviceSummary& box = survey.Devices().at(0x02000001);
    EXPECT_EQ(box.port, 1);
    EXPECT_EQ(box.awakeCount, 1u);
    EXPECT_EQ(box.aliveCount, 21u);
    EXPECT_DOUBLE_EQ(box.AliveRate(), 10.0);
    const DeviceSummary& late = survey.Devices().at(5);
    EXPECT_FALSE(late.port) << "no awake packet seen";
    EXPECT_EQ(late.AliveRate(), 0.0) << "one packet gives no rate";
    EXPECT_EQ(survey.UnknownCount(), 1u);
    EXPECT_THAT(
        DeviceLine(5, late),
        testing::MatchesRegex("0x00000005 \\(5\\) +network box +- +127\\.0\\.0\\.1 +0\\.0"));
}

TEST(DeviceSurvey, ListenerSurveysWhatArrivesDuringTheWindow)
{
    AnnouncementListener listener("127.0.0.2");
    BriselTest::UdpTestSocket device("127.0.0.1");
    device.SendTo("127.0.0.2", 8570,
                  BriselTest::BigEndianWords({0x00060007, 0x7F000001, 0, 0, 0, 0, 0, 7}));
    device.SendTo("127.0.0.2", 8570, {1, 2, 3});
    const DeviceSurvey survey = listener.Survey(100ms);
    ASSERT_EQ(survey.Devices().count(7), 1u);
    EXPECT_EQ(survey.Devices().at(7).aliveCount, 1u);
    EXPECT_EQ(survey.UnknownCount(), 1u);
}
