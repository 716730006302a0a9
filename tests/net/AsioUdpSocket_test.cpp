#include "net/AsioUdpSocket.h"
#include "tests/support/UdpTestSocket.h"

#include <arpa/inet.h>
#include <future>
#include <gtest/gtest.h>

using BriselTest::UdpTestSocket;
using namespace std::chrono_literals;

namespace
{
std::uint32_t Ip(const char* text)
{
    return ::inet_addr(text);
}

constexpr std::uint16_t kPort = 8666;

class AsioUdpSocketTest : public testing::Test
{
protected:
    boost::asio::io_context ioService_;
    VAsioUdpSocket socket_{ioService_};
    std::uint8_t buffer_[1024] = {};
};
} // namespace

TEST_F(AsioUdpSocketTest, ReceivesOnlyFromTheAcceptedSenderWhateverItsPort)
{
    ASSERT_TRUE(socket_.OpenForReceiving(Ip("127.0.0.1"), Ip("127.0.0.5"), kPort));
    UdpTestSocket stranger("127.0.0.6");
    UdpTestSocket accepted("127.0.0.5", 40001);
    UdpTestSocket acceptedOtherPort("127.0.0.5", 40002);
    stranger.SendTo("127.0.0.1", kPort, {1, 1, 1});
    accepted.SendTo("127.0.0.1", kPort, {2, 2});
    acceptedOtherPort.SendTo("127.0.0.1", kPort, {3});

    ASSERT_EQ(socket_.Receive(buffer_, sizeof(buffer_)), 2);
    EXPECT_EQ(buffer_[0], 2);
    ASSERT_EQ(socket_.Receive(buffer_, sizeof(buffer_)), 1);
    EXPECT_EQ(buffer_[0], 3);
}

TEST_F(AsioUdpSocketTest, DatagramLargerThanTheBufferIsAnErrorNotATruncation)
{
    ASSERT_TRUE(socket_.OpenForReceiving(Ip("127.0.0.1"), Ip("127.0.0.5"), kPort));
    UdpTestSocket hal("127.0.0.5");
    UdpTestSocket stranger("127.0.0.6");
    stranger.SendTo("127.0.0.1", kPort, std::vector<std::uint8_t>(1025, 7));
    hal.SendTo("127.0.0.1", kPort, std::vector<std::uint8_t>(1024, 1));
    hal.SendTo("127.0.0.1", kPort, std::vector<std::uint8_t>(1025, 2));
    EXPECT_EQ(socket_.Receive(buffer_, sizeof(buffer_)), 1024)
        << "an oversized datagram from a stranger is dropped like any of its datagrams";
    EXPECT_EQ(socket_.Receive(buffer_, sizeof(buffer_)), -1);
}

TEST_F(AsioUdpSocketTest, CloseFromAnotherThreadEndsABlockedReceive)
{
    ASSERT_TRUE(socket_.OpenForReceiving(Ip("127.0.0.1"), Ip("127.0.0.5"), kPort));
    auto receive = std::async(std::launch::async,
                              [this] { return socket_.Receive(buffer_, sizeof(buffer_)); });
    EXPECT_EQ(receive.wait_for(100ms), std::future_status::timeout) << "nothing was sent yet";
    EXPECT_TRUE(socket_.Close());
    ASSERT_EQ(receive.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(receive.get(), -1);
    EXPECT_FALSE(socket_.IsOpen());
    EXPECT_FALSE(socket_.Close());
    EXPECT_EQ(socket_.Receive(buffer_, sizeof(buffer_)), -1);
}

TEST_F(AsioUdpSocketTest, ReopenedSocketReceivesAgainAfterAnInterrupt)
{
    ASSERT_TRUE(socket_.OpenForReceiving(Ip("127.0.0.1"), Ip("127.0.0.5"), kPort));
    socket_.Interrupt();
    EXPECT_EQ(socket_.Receive(buffer_, sizeof(buffer_)), -1);
    socket_.Close();
    ASSERT_TRUE(socket_.OpenForReceiving(Ip("127.0.0.1"), Ip("127.0.0.5"), kPort));
    UdpTestSocket("127.0.0.5").SendTo("127.0.0.1", kPort, {9});
    EXPECT_EQ(socket_.Receive(buffer_, sizeof(buffer_)), 1);
}

TEST_F(AsioUdpSocketTest, AddressNotOnThisHostFailsToBindAndReceiveFailsAtOnce)
{
    EXPECT_FALSE(socket_.OpenForReceiving(Ip("10.99.99.99"), Ip("127.0.0.5"), kPort));
    EXPECT_EQ(socket_.Receive(buffer_, sizeof(buffer_)), -1);
    EXPECT_EQ(socket_.ReceivePending(buffer_, sizeof(buffer_)), -1);
}

TEST_F(AsioUdpSocketTest, ReceivePendingDoesNotWait)
{
    ASSERT_TRUE(socket_.OpenForReceiving(Ip("127.0.0.5"), kPort));
    EXPECT_EQ(socket_.ReceivePending(buffer_, sizeof(buffer_)), VAsioUdpSocket::kNothingAccepted);
    UdpTestSocket("127.0.0.6").SendTo("127.0.0.1", kPort, {1});
    UdpTestSocket("127.0.0.5").SendTo("127.0.0.1", kPort, {1, 2, 3});
    EXPECT_EQ(socket_.ReceivePending(buffer_, sizeof(buffer_)), VAsioUdpSocket::kNothingAccepted)
        << "the stranger's datagram is dropped";
    EXPECT_EQ(socket_.ReceivePending(buffer_, sizeof(buffer_)), 3)
        << "bound to the any-address, a datagram to 127.0.0.1 arrives";
}

TEST_F(AsioUdpSocketTest, SendsConnectedDatagramsAndFailsWhenOpeningFailed)
{
    UdpTestSocket hal("127.0.0.5", 9100);
    VDataOutSocket out(ioService_);
    out.OpenForSending(Ip("127.0.0.1"), Ip("127.0.0.5"), 9100);
    EXPECT_TRUE(out.Send("\x01\x02\x03", 3));
    const auto received = hal.Receive(2s);
    ASSERT_TRUE(received);
    EXPECT_EQ(*received, (std::vector<std::uint8_t>{1, 2, 3}));

    VDataOutSocket unbound(ioService_);
    unbound.OpenForSending(Ip("10.99.99.99"), Ip("127.0.0.5"), 9100);
    EXPECT_FALSE(unbound.Send("x", 1)) << "binding to an address not on this host failed";
    VDataOutSocket neverOpened(ioService_);
    EXPECT_FALSE(neverOpened.Send("x", 1));
}
