// The timecode source on a real socket: what the HAL receives for each frame at the box's
// system frame rate, and when it receives nothing.

#include "devices/netbox/FakeSourceTimecode.h"
#include "net/ByteOrder.h"
#include "tests/devices/TestRig.h"
#include "tests/devices/netbox/TimecodeTestValues.h"
#include "tests/support/QtTestLoop.h"
#include "tests/support/UdpTestSocket.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using BriselTest::U16;
using BriselTest::U32;
using Datagram = std::vector<std::uint8_t>;

namespace
{
constexpr std::uint16_t kPort = 8010;

VTimecodeValue Start(ETimecodeStandard standard, int hours, int minutes, int seconds, int frames)
{
    VTimecodeValue value = BriselTest::TimecodeAt(standard, hours, minutes, seconds, frames);
    value.userValue = 0x55AA;
    return value;
}

// hh:mm:ss:ff as the record's BCD bytes read in hex.
std::string Bcd(const Datagram& d)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%02x:%02x:%02x:%02x", d[24], d[25], d[26], d[27]);
    return text;
}

class FakeSourceTimecodeTest : public testing::Test
{
protected:
    void SetRate(double rate)
    {
        box_.SetParameter("SystemFrameRate", rate);
        ASSERT_TRUE(QtTest::RunLoopUntil([&] { return box_.GetSystemFrameRate() == rate; }));
    }

    std::unique_ptr<VFakeSourceTimecode> Source(const VTimecodeValue& start)
    {
        return std::make_unique<VFakeSourceTimecode>(box_, io_, kPort, start, 0);
    }

    // Produces one frame and returns its record, or none when nothing was sent.
    std::optional<Datagram> Produce(VFakeSourceTimecode& source, std::uint32_t frame)
    {
        std::uint32_t bytesSent = 99;
        source.Produce(frame, frame - 1, bytesSent);
        if (bytesSent == 0)
            return std::nullopt;
        EXPECT_EQ(bytesSent, 40u);
        return hal_.Receive(2s);
    }

    BriselTest::TestRig rig_;
    BriselTest::TestDevice& box_ = rig_.AddDevice();
    boost::asio::io_context io_;
    BriselTest::UdpTestSocket hal_{BriselTest::TestRig::kHal, kPort};
};
} // namespace

TEST_F(FakeSourceTimecodeTest, ThirtyFramesAtOneHundredTwentyHertz)
{
    SetRate(120.0);
    auto source = Source(Start(ETimecodeStandard::Timecode30, 10, 0, 0, 0));

    const std::optional<Datagram> first = Produce(*source, 0);
    ASSERT_TRUE(first);
    ASSERT_EQ(first->size(), 40u);
    EXPECT_EQ(U32(*first, 0), 0x0028C003u);
    EXPECT_EQ(U16(*first, 4), 2);
    EXPECT_EQ(U32(*first, 8), box_.GetDeviceID());
    EXPECT_EQ(U32(*first, 12), 0u);
    EXPECT_EQ(U32(*first, 16), 0xFFFFFFFFu);
    EXPECT_EQ(Bcd(*first), "10:00:00:00");
    EXPECT_EQ(U16(*first, 28), 0);
    EXPECT_EQ(U16(*first, 30), 0x1004);
    EXPECT_EQ(U32(*first, 32), 0x55AAu);

    const std::optional<Datagram> sixth = Produce(*source, 6);
    ASSERT_TRUE(sixth);
    EXPECT_EQ(Bcd(*sixth), "10:00:00:01");
    EXPECT_EQ(U16(*sixth, 28), 2);
    EXPECT_EQ(U32(*sixth, 12), 6u);

    const std::optional<Datagram> seventh = Produce(*source, 7);
    ASSERT_TRUE(seventh);
    EXPECT_EQ(Bcd(*seventh), "10:00:00:01");
    EXPECT_EQ(U16(*seventh, 28), 0x8003);

    // Frame numbers may jump: each frame counts from the start.
    const std::optional<Datagram> later = Produce(*source, 4 * 30 * 3600 + 4 * 30 * 61 + 8);
    ASSERT_TRUE(later);
    EXPECT_EQ(Bcd(*later), "11:01:01:02");
}

TEST_F(FakeSourceTimecodeTest, DropFrameCountsOnAcrossTheMinute)
{
    SetRate(119.88); // 1001 ticks: four frames to each 4004-tick timecode frame
    auto source = Source(Start(ETimecodeStandard::Timecode30Drop, 0, 0, 59, 29));
    const std::optional<Datagram> record = Produce(*source, 5);
    ASSERT_TRUE(record);
    EXPECT_EQ(Bcd(*record), "00:01:00:02");
    EXPECT_EQ(U16(*record, 28), 1);
    EXPECT_EQ(U16(*record, 30), 0x2004);
}

TEST_F(FakeSourceTimecodeTest, SendsOnlyWhereSystemFramesDivideTheTimecodeFrame)
{
    SetRate(100.0);
    auto thirty = Source(Start(ETimecodeStandard::Timecode30, 1, 0, 0, 0));
    EXPECT_FALSE(Produce(*thirty, 0));
    auto none = Source(Start(ETimecodeStandard::TimecodeNone, 1, 0, 0, 0));
    EXPECT_FALSE(Produce(*none, 0));

    // 1200 ticks a frame, four to each 4800-tick frame. Nothing came before this record.
    auto twentyFive = Source(Start(ETimecodeStandard::Timecode25, 1, 0, 0, 0));
    const std::optional<Datagram> record = Produce(*twentyFive, 5);
    ASSERT_TRUE(record);
    EXPECT_EQ(Bcd(*record), "01:00:00:01");
    EXPECT_EQ(U16(*record, 28), 1);
    EXPECT_EQ(U16(*record, 30), 0x0004);

    SetRate(0.0);
    EXPECT_FALSE(Produce(*twentyFive, 6));
    SetRate(10000.0); // 12 ticks: 400 system frames to each timecode frame
    const std::optional<Datagram> fast = Produce(*twentyFive, 6);
    ASSERT_TRUE(fast);
    EXPECT_EQ(U16(*fast, 28), 6);
    EXPECT_EQ(U16(*fast, 30), 400);
}

TEST_F(FakeSourceTimecodeTest, InvalidStartGoesOutUnchanged)
{
    SetRate(120.0);
    auto source = Source(Start(ETimecodeStandard::Timecode30, 25, 61, 0, 0));
    for (std::uint32_t frame : {0u, 9u})
    {
        const std::optional<Datagram> record = Produce(*source, frame);
        ASSERT_TRUE(record);
        EXPECT_EQ(Bcd(*record), "25:61:00:00");
        EXPECT_EQ(U16(*record, 28), 0);
    }
    VTimecodeValue outside = Start(ETimecodeStandard::Timecode30, 25, 0, 0, 0);
    outside.subframe = 4000; // beyond its frame: no system frame within it to name
    EXPECT_FALSE(Produce(*Source(outside), 0));
}
