#include "tests/support/UdpTestSocket.h"
#include "tools/halprobe/BroadcastSender.h"
#include "tools/halprobe/ProbeError.h"

#include <cmath>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace HalProbe;
using BriselTest::BigEndianWords;
using testing::HasSubstr;
using namespace std::chrono_literals;

namespace
{
// A device host at 127.0.0.1 listening on the broadcast port; the HAL is 127.0.0.2.
class BroadcastSenderTest : public testing::Test
{
protected:
    std::vector<std::uint8_t> Next()
    {
        const auto datagram = device_.Receive(2s);
        EXPECT_TRUE(datagram) << "nothing arrived at the device";
        return datagram.value_or(std::vector<std::uint8_t>{});
    }

    BriselTest::UdpTestSocket device_{"127.0.0.1", 8666};
    BroadcastSender sender_{"127.0.0.2", "127.0.0.1"};
};
} // namespace

TEST_F(BroadcastSenderTest, MasterCarriesTheRateAsWholeHertzAndThousandths)
{
    sender_.Master(0x02000006, 59.94);
    const std::vector<std::uint8_t> expected = {0x00, 0x03, 0x00, 0x05, 0x02, 0x00, 0x00, 0x06,
                                                0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3B,
                                                0x00, 0x00, 0x03, 0xAC, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(Next(), expected);
    sender_.Master(7, 100.0, true);
    EXPECT_EQ(Next(), BigEndianWords({0x00030005, 7, 1, 100, 0, 0}));
    sender_.Master(kAllDevices, 29.97);
    EXPECT_EQ(Next(), BigEndianWords({0x00030005, 0xFFFFFFFF, 0, 29, 970, 0}));
}

TEST_F(BroadcastSenderTest, EveryOtherCommandIsItsCodeAndBigEndianFields)
{
    sender_.Sync(-5);
    EXPECT_EQ(Next(), BigEndianWords({0x00010001, 0xFFFFFFFB}));
    sender_.Reset();
    EXPECT_EQ(Next(), BigEndianWords({0x00020001, 0xFFFFFFFF}));
    sender_.Reset(0x01020304);
    EXPECT_EQ(Next(), BigEndianWords({0x00020001, 0x01020304}));
    sender_.FrameNumber(1000);
    EXPECT_EQ(Next(), BigEndianWords({0x00070001, 1000}));
    sender_.DataDisable(true);
    EXPECT_EQ(Next(), BigEndianWords({0x00080001, 1}));
    sender_.DataDisable(false);
    EXPECT_EQ(Next(), BigEndianWords({0x00080001, 0}));
    sender_.Preview(0x02000006, true);
    EXPECT_EQ(Next(), BigEndianWords({0x00050002, 0x02000006, 1}));
    sender_.Preview(3, false);
    EXPECT_EQ(Next(), BigEndianWords({0x00050002, 3, 0}));
    sender_.Raw({0xDE, 0xAD, 0xBE});
    EXPECT_EQ(Next(), (std::vector<std::uint8_t>{0xDE, 0xAD, 0xBE}));
}

TEST(BroadcastSenderTargets, BroadcastAddressesAreReachedFromTheHalAddress)
{
    UdpSocket anyDevice("0.0.0.0", 8666);
    for (const char* target : {"255.255.255.255", "127.255.255.255", "127.0.0.3"})
    {
        BroadcastSender("127.0.0.2", target).Sync(1);
        const std::optional<Datagram> datagram = anyDevice.Receive(Clock::now() + 2s);
        ASSERT_TRUE(datagram) << target;
        EXPECT_EQ(datagram->sender, 0x7F000002u) << target;
    }
}

TEST(WireFrameRate, RoundsToTheNearestThousandthAndRefusesWhatDoesNotFit)
{
    const auto wire = [](double rate)
    {
        const WireFrameRate converted = ToWireFrameRate(rate);
        return std::make_pair(converted.whole, converted.thousandths);
    };
    EXPECT_EQ(wire(59.94), std::make_pair(59u, 940u));
    EXPECT_EQ(wire(119.9996), std::make_pair(120u, 0u));
    EXPECT_EQ(wire(0.0004), std::make_pair(0u, 0u));
    EXPECT_EQ(wire(4294967295.0), std::make_pair(4294967295u, 0u));
    for (double bad : {-0.001, 4294967296.0, double(NAN), double(INFINITY)})
        EXPECT_THROW(ToWireFrameRate(bad), ProbeError) << bad;
}

TEST(BroadcastSenderSetUp, FailuresNameTheAddress)
{
    try
    {
        BroadcastSender("127.0.0", "127.0.0.1");
        FAIL() << "a malformed source address was taken";
    }
    catch (const ProbeError& error)
    {
        EXPECT_STREQ(error.what(), "'127.0.0' is not an IPv4 address");
    }
    try
    {
        BroadcastSender("10.99.99.99", "127.0.0.1");
        FAIL() << "an address of another host was bound";
    }
    catch (const ProbeError& error)
    {
        EXPECT_THAT(error.what(), HasSubstr("cannot bind 10.99.99.99:0: "));
    }
}
