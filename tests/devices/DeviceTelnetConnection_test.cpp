// Command sessions against clients that misbehave: one that sends command lines but never
// reads its replies must lose its session without holding up any other device, a RESET,
// or the shut-down.

#include "tests/devices/DeviceTestSupport.h"
#include "tools/halprobe/BroadcastSender.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using BriselTest::OpenSession;
using BriselTest::TestDevice;
using BriselTest::TestRig;
using QtTest::RunLoopUntil;

namespace
{
// Connects to a session port with a small receive buffer, then writes short command lines
// as fast as the device takes them and never reads. Flood() runs until the device closes
// the session (true) or the deadline passes (false); Sent() may be read meanwhile.
class NonReadingClient
{
public:
    // The listener starts on the I/O thread after the device came up: retry until it is there.
    explicit NonReadingClient(std::uint16_t port)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = ::inet_addr(TestRig::kLocal);
        const int small = 4096;
        RunLoopUntil(
            [&]
            {
                ::close(fd_);
                fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
                ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &small, sizeof(small));
                return ::connect(fd_, reinterpret_cast<const sockaddr*>(&address),
                                 sizeof(address)) == 0;
            });
        ::fcntl(fd_, F_SETFL, O_NONBLOCK);
    }
    ~NonReadingClient() { ::close(fd_); }

    bool Flood(std::chrono::seconds timeout)
    {
        std::string lines;
        for (int i = 0; i < 4096; ++i)
            lines += "x\n";
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline)
        {
            pollfd entry{fd_, POLLOUT, 0};
            if (::poll(&entry, 1, 50) <= 0)
                continue;
            const ssize_t n = ::send(fd_, lines.data(), lines.size(), MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                return true;
            sent_ += n > 0 ? n : 0;
        }
        return false;
    }
    long long Sent() const { return sent_; }

private:
    int fd_ = -1;
    std::atomic<long long> sent_{0};
};

// Runs a flood on a thread of its own while the test's main thread goes on.
class Flood
{
public:
    explicit Flood(NonReadingClient& client)
        : thread_(
              [&]
              {
                  closedByDevice_ = client.Flood(std::chrono::seconds(60));
                  done_ = true;
              })
    {
    }
    ~Flood() { thread_.join(); }
    bool Done() const { return done_; }
    bool ClosedByDevice() const { return closedByDevice_; }

private:
    std::atomic<bool> done_{false};
    std::atomic<bool> closedByDevice_{false};
    std::thread thread_;
};

using DeviceTelnetConnectionTest = BriselTest::DeviceTest;
} // namespace

TEST_F(DeviceTelnetConnectionTest, ClientThatNeverReadsLosesItsSessionAndHoldsUpNoOne)
{
    ConnectedDevice();
    TestDevice& other = ConnectedDevice();
    auto session = OpenSession(9002);
    ASSERT_EQ(session->ReadGreeting(2s), "FakeLumeDevice");

    NonReadingClient flooder(9001);
    {
        Flood flood(flooder);
        // While the flood runs, the other device's session answers every command at once.
        for (int answered = 0; !flood.Done() && answered < 200; ++answered)
            ASSERT_EQ(session->Run("hello", 2s), "unknown [hello]");
        ASSERT_TRUE(RunLoopUntil([&] { return flood.Done(); }, 60s));
        EXPECT_TRUE(flood.ClosedByDevice());
    }
    EXPECT_EQ(session->Run("still there", 2s), "unknown [still there]");

    hal_.Reset();
    ASSERT_TRUE(RunLoopUntil(
        [&]
        {
            const auto events = other.Events();
            return std::count(events.begin(), events.end(), "connected") == 2;
        }));
    auto fresh = OpenSession(9001);
    EXPECT_EQ(fresh->ReadGreeting(2s), "FakeLumeDevice") << "a new life serves a new client";
}

TEST_F(DeviceTelnetConnectionTest, ShutDownInTheMiddleOfAFloodEndsTheSession)
{
    TestDevice& device = ConnectedDevice();
    NonReadingClient flooder(9001);
    Flood flood(flooder);
    ASSERT_TRUE(RunLoopUntil([&] { return device.deviceCommands > 10000 || flood.Done(); }, 10s));
    rig_.DestroyManager();
    ASSERT_TRUE(RunLoopUntil([&] { return flood.Done(); }, 60s));
    EXPECT_TRUE(flood.ClosedByDevice());
}
