#include "tests/support/UdpTestSocket.h"
#include "tools/halprobe/AnnouncementListener.h"
#include "tools/halprobe/ProbeError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace HalProbe;
using namespace std::chrono_literals;

namespace
{
// Network box 0x02000006 at Port 6 on 127.0.0.1, byte for byte.
const std::vector<std::uint8_t> kAwake = {
    0x00, 0x04, 0x00, 0x06, 0x7F, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x06, 0x00,
    0x00, 0x08, 0x00, 0x00, 0x37, 0x00, 0x00, 0x06, 0x00, 0x00, 0x02, 0x00, 0x00, 0x06};

// Camera 0x00ABCDEF on 127.0.0.9 with alive counter 0x1234.
const std::vector<std::uint8_t> kAlive = {
    0x00, 0x06, 0x00, 0x07, 0x7F, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0x00, 0x12, 0x34, 0x00, 0x00,
    0x00, 0x00, 0x37, 0xAB, 0xCD, 0xEF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xAB, 0xCD, 0xEF};

Announcement Decode(std::vector<std::uint8_t> bytes)
{
    return Announcement::Decode({std::move(bytes), 0, {}});
}

std::vector<std::uint8_t> Resized(std::vector<std::uint8_t> bytes, std::size_t size)
{
    bytes.resize(size);
    return bytes;
}

std::vector<std::uint8_t> WithCode(std::vector<std::uint8_t> bytes, std::uint8_t low)
{
    bytes[3] = low;
    return bytes;
}
} // namespace

TEST(Announcement, AwakeFieldsComeFromTheirOffsets)
{
    const Announcement awake = Decode(kAwake);
    EXPECT_EQ(awake.kind, Announcement::Kind::Awake);
    EXPECT_EQ(awake.localAddress, 0x7F000001u);
    EXPECT_EQ(awake.deviceClass, 2u);
    EXPECT_EQ(awake.port, 6);
    EXPECT_EQ(awake.deviceId, 0x02000006u);
    EXPECT_EQ(awake.bytes, kAwake);
}

TEST(Announcement, AliveHasItsCounterWhereTheAwakeHasThePort)
{
    const Announcement alive = Decode(kAlive);
    EXPECT_EQ(alive.kind, Announcement::Kind::Alive);
    EXPECT_EQ(alive.localAddress, 0x7F000009u);
    EXPECT_EQ(alive.deviceClass, 0u);
    EXPECT_EQ(alive.aliveCounter, 0x1234);
    EXPECT_EQ(alive.port, 0) << "an alive packet carries no port";
    EXPECT_EQ(alive.deviceId, 0x00ABCDEFu);
}

TEST(Announcement, AnythingElseIsUnknownAndKeptWhole)
{
    const std::vector<std::vector<std::uint8_t>> others = {
        {},
        {0x00},
        Resized(kAwake, 3),
        Resized(kAwake, 27),
        Resized(kAwake, 29),
        Resized(kAwake, 32),
        Resized(kAlive, 28),
        Resized(kAlive, 31),
        WithCode(kAwake, 0x07),
        WithCode(kAlive, 0x06),
    };
    for (const std::vector<std::uint8_t>& bytes : others)
    {
        const Announcement other = Decode(bytes);
        EXPECT_EQ(other.kind, Announcement::Kind::Unknown) << bytes.size() << " bytes";
        EXPECT_EQ(other.deviceId, 0u);
        EXPECT_EQ(other.bytes, bytes);
    }
}

TEST(AnnouncementListener, ReceivesOnTheHalAddressWithSenderAndArrival)
{
    AnnouncementListener listener("127.0.0.2");
    const Clock::time_point before = Clock::now();
    BriselTest::UdpTestSocket("127.0.0.1").SendTo("127.0.0.2", 8570, kAwake);
    const std::optional<Announcement> awake = listener.Receive(2s);
    ASSERT_TRUE(awake);
    EXPECT_EQ(awake->kind, Announcement::Kind::Awake);
    EXPECT_EQ(awake->sender, 0x7F000001u);
    EXPECT_GE(awake->arrival, before);
    EXPECT_FALSE(listener.Receive(20ms)) << "nothing else was sent";
}

TEST(AnnouncementListener, TakenPortIsReported)
{
    AnnouncementListener first("127.0.0.2");
    try
    {
        AnnouncementListener second("127.0.0.2");
        FAIL() << "two listeners on one port";
    }
    catch (const ProbeError& error)
    {
        EXPECT_STREQ(error.what(), "cannot bind 127.0.0.2:8570: Address already in use");
    }
}
