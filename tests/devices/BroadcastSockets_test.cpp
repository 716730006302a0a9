#include "devices/BroadcastSockets.h"
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

class BroadcastSocketsTest : public testing::Test
{
protected:
    int Receive() { return sockets_.Receive(buffer_, sizeof(buffer_)); }

    boost::asio::io_context ioService_;
    VBroadcastSockets sockets_{ioService_};
    std::uint8_t buffer_[1024] = {};
};
} // namespace

TEST_F(BroadcastSocketsTest, ReceivesFromTheHalOnlyAndEndsOnOversizedDatagram)
{
    sockets_.Open(Ip("127.0.0.1"), Ip("127.0.0.2"), 8666);
    UdpTestSocket hal("127.0.0.2");
    UdpTestSocket("127.0.0.3").SendTo("127.0.0.1", 8666, {1, 2, 3, 4});
    hal.SendTo("127.0.0.1", 8666, {5, 6});
    ASSERT_EQ(Receive(), 2);
    EXPECT_EQ(buffer_[0], 5);
    hal.SendTo("127.0.0.1", 8666, std::vector<std::uint8_t>(1025));
    EXPECT_EQ(Receive(), -1);
}

TEST_F(BroadcastSocketsTest, CloseEndsABlockedReceive)
{
    sockets_.Open(Ip("127.0.0.1"), Ip("127.0.0.2"), 8666);
    auto receive = std::async(std::launch::async, [this] { return Receive(); });
    EXPECT_EQ(receive.wait_for(50ms), std::future_status::timeout);
    sockets_.Close();
    ASSERT_EQ(receive.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(receive.get(), -1);
}

TEST_F(BroadcastSocketsTest, LocalAddressNotOnThisHostFailsAtOnce)
{
    sockets_.Open(Ip("10.99.99.99"), Ip("127.0.0.2"), 8666);
    EXPECT_EQ(Receive(), -1);
}

TEST_F(BroadcastSocketsTest, SubnetBroadcastAddressOfTheLocalInterface)
{
    EXPECT_FALSE(VBroadcastSockets::SubnetBroadcastOf(Ip("127.0.0.1")))
        << "loopback has no broadcast address";
    EXPECT_FALSE(VBroadcastSockets::SubnetBroadcastOf(Ip("10.99.99.99")));
    ASSERT_EQ(std::system("ip link add bsA type veth peer name bsB && "
                          "ip addr add 10.66.5.1/24 brd 10.66.5.127 dev bsA && "
                          "ip addr add 10.66.6.1/23 dev bsB"),
              0);
    EXPECT_EQ(VBroadcastSockets::SubnetBroadcastOf(Ip("10.66.5.1")), Ip("10.66.5.127"))
        << "the configured broadcast address wins";
    EXPECT_EQ(VBroadcastSockets::SubnetBroadcastOf(Ip("10.66.6.1")), Ip("10.66.7.255"))
        << "without one it comes from the netmask";
}
