// The analogue stream on a real socket: what the HAL receives for one frame, datagram by
// datagram and byte by byte.

#include "devices/netbox/AnalogueStream.h"
#include "net/AsioUdpSocket.h"
#include "net/ByteOrder.h"
#include "tests/support/UdpTestSocket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using BriselTest::U16;
using BriselTest::U32;
using Datagram = std::vector<std::uint8_t>;

namespace
{
constexpr std::uint16_t kPort = 6000;

class AnalogueStreamTest : public testing::Test
{
protected:
    AnalogueStreamTest()
    {
        socket_.OpenForSending(::inet_addr("127.0.0.1"), ::inet_addr("127.0.0.2"), kPort);
    }

    // The datagrams of one frame, up to and including its 44-byte record.
    std::vector<Datagram> ReceiveFrame()
    {
        std::vector<Datagram> datagrams;
        while (auto datagram = hal_.Receive(10s))
        {
            datagrams.push_back(*datagram);
            if (datagram->size() == kAnalogueFrameRecordSize && U16(*datagram, 0) == 0xC005)
                break;
        }
        return datagrams;
    }

    boost::asio::io_context io_;
    BriselTest::UdpTestSocket hal_{"127.0.0.2", kPort};
    VDataOutSocket socket_{io_};
    VAnalogueStream stream_{socket_};
};
} // namespace

TEST_F(AnalogueStreamTest, ValuesGoSevenHundredToADatagramThenTheRecord)
{
    std::vector<std::uint16_t> values(1500);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = std::uint16_t(0x0102 + 3 * i);
    VAnalogueFrameRecord record;
    record.deviceId = 0x02000001;
    record.currentFrame = 11;
    record.previousFrame = 10;
    record.runningTotal = 4500;
    record.samplesPerChannel = 500;
    record.channelCount = 3;
    record.channelMask = 0x8000000100000003ULL;
    record.sampleBytes = 7; // the stream counts what it sends
    EXPECT_EQ(stream_.Send(values, record), 3000u + 44);

    const std::vector<Datagram> datagrams = ReceiveFrame();
    ASSERT_EQ(datagrams.size(), 4u);
    EXPECT_EQ(datagrams[0].size(), 1400u);
    EXPECT_EQ(datagrams[1].size(), 1400u);
    EXPECT_EQ(datagrams[2].size(), 200u);
    EXPECT_EQ(datagrams[0][0], 0x02) << "little-endian";
    EXPECT_EQ(datagrams[0][1], 0x01);
    EXPECT_EQ(U16(datagrams[1], 0), values[700]);
    EXPECT_EQ(U16(datagrams[2], 198), values[1499]);

    const Datagram& r = datagrams[3];
    EXPECT_EQ(U32(r, 0), 0x002CC005u);
    EXPECT_EQ(U16(r, 4), 1);
    EXPECT_EQ(U16(r, 6), 0) << "slot";
    EXPECT_EQ(U32(r, 8), 0x02000001u);
    EXPECT_EQ(U32(r, 12), 11u);
    EXPECT_EQ(U32(r, 16), 10u);
    EXPECT_EQ(U32(r, 20), 4500u);
    EXPECT_EQ(U16(r, 24), 500);
    EXPECT_EQ(U16(r, 26), 3);
    EXPECT_EQ(U32(r, 28), 0x00000003u) << "channels 0-31";
    EXPECT_EQ(U32(r, 32), 0x80000001u) << "channels 32-63";
    EXPECT_EQ(U32(r, 36), 3000u) << "sample bytes";
    EXPECT_EQ(U32(r, 40), 0u);
}

TEST_F(AnalogueStreamTest, FrameWithoutSamplesSendsOnlyTheRecord)
{
    VAnalogueFrameRecord record;
    record.slot = 1;
    EXPECT_EQ(stream_.Send({}, record), 44u);
    const std::vector<Datagram> datagrams = ReceiveFrame();
    ASSERT_EQ(datagrams.size(), 1u);
    EXPECT_EQ(U16(datagrams[0], 6), 1);
    EXPECT_EQ(U16(datagrams[0], 26), 0) << "no channels";
    EXPECT_EQ(U32(datagrams[0], 36), 0u) << "no bytes";
}

TEST_F(AnalogueStreamTest, ExactlyFullDatagramsLeaveNoEmptyOne)
{
    EXPECT_EQ(stream_.Send(std::vector<std::uint16_t>(1400, 9), {}), 2800u + 44);
    const std::vector<Datagram> datagrams = ReceiveFrame();
    ASSERT_EQ(datagrams.size(), 3u);
    EXPECT_EQ(datagrams[1].size(), 1400u);
    EXPECT_EQ(U32(datagrams[2], 36), 2800u);
}
