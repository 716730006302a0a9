#include "devices/AwakeAndAliveServer.h"
#include "tests/support/UdpTestSocket.h"

#include <arpa/inet.h>
#include <filesystem>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <string>

using BriselTest::UdpTestSocket;
using Datagram = std::optional<std::vector<std::uint8_t>>;
using namespace std::chrono_literals;

namespace
{
constexpr std::uint32_t kDeviceId = 0x02000006;
constexpr std::uint32_t kPort = 6;
constexpr std::uint32_t kNetworkBox = 2;

std::uint32_t Ip(const char* text)
{
    return ::inet_addr(text);
}

// Both packets of the network box with DeviceID 0x02000006 on Port 6 at 127.0.0.1,
// written out as big-endian words.
Datagram Awake()
{
    return BriselTest::BigEndianWords(
        {0x00040006, 0x7F000001, 0x00000002, 0x06000008, 0x00003700, 0x00060000, 0x02000006});
}

Datagram Alive(std::uint16_t counter)
{
    return BriselTest::BigEndianWords({0x00060007, 0x7F000001, 0x00000002,
                                       std::uint32_t(counter) << 16, 0x00003700, 0x00060000,
                                       0x00000000, 0x02000006});
}

// Both packets end with the DeviceID.
std::uint32_t DeviceIdOf(const std::vector<std::uint8_t>& datagram)
{
    const std::uint8_t* last = datagram.data() + datagram.size() - 4;
    return (std::uint32_t(last[0]) << 24) | (last[1] << 16) | (last[2] << 8) | last[3];
}

std::size_t ThreadCount()
{
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return std::distance(begin(tasks), end(tasks));
}

// Runs a job once, inside a tick on a periodic callback's thread, so that the job may
// call OnTimer() of servers on that callback the way the callback itself does. Declare
// it before the callback, which must stop calling it before it goes.
class OnTickJob : public UtilsThreading::ITimerCallback
{
public:
    using Job = std::function<std::string(UtilsThreading::VPeriodicCallback&)>;
    explicit OnTickJob(Job job) : job_(std::move(job)) {}

    std::future<std::string> RunOn(UtilsThreading::VPeriodicCallback& timer)
    {
        timer_ = &timer;
        auto result = done_.get_future();
        timer.AddCallback(this);
        return result;
    }

    void OnTimer() override
    {
        if (ran_)
            return;
        ran_ = true;
        done_.set_value(job_(*timer_));
    }

private:
    Job job_;
    std::promise<std::string> done_;
    UtilsThreading::VPeriodicCallback* timer_ = nullptr; // set before registering
    bool ran_ = false;                                   // only touched on the callback's thread
};

class AwakeAndAliveServerTest : public testing::Test
{
protected:
    std::unique_ptr<VAwakeAndAliveServer> MakeServer(std::uint32_t deviceId = kDeviceId,
                                                     std::uint32_t port = kPort)
    {
        return std::make_unique<VAwakeAndAliveServer>(Ip("127.0.0.1"), Ip("127.0.0.2"), deviceId,
                                                      port, kNetworkBox, ioService_);
    }

    Datagram Next() { return hal_.Receive(2s); }

    // Receives until a datagram of `size` bytes from `deviceId` arrives; false on timeout.
    bool WaitFor(std::uint32_t deviceId, std::size_t size)
    {
        for (Datagram datagram = Next(); datagram; datagram = Next())
            if (datagram->size() == size && DeviceIdOf(*datagram) == deviceId)
                return true;
        return false;
    }

    bool SkipTo(const Datagram& wanted)
    {
        for (Datagram datagram = Next(); datagram; datagram = Next())
            if (datagram == wanted)
                return true;
        return false;
    }

    void Drain()
    {
        while (hal_.Receive(0ms))
        {
        }
    }

    boost::asio::io_context ioService_;
    UdpTestSocket hal_{"127.0.0.2", VAwakeAndAliveServer::kHalPort};
};
} // namespace

TEST_F(AwakeAndAliveServerTest, AnnouncesAwakeOnceThenAliveWithARisingCounter)
{
    const auto server = MakeServer();
    EXPECT_EQ(Next(), Awake());
    for (std::uint16_t counter = 0; counter < 4; ++counter)
        EXPECT_EQ(Next(), Alive(counter)) << "alive " << counter;
}

TEST_F(AwakeAndAliveServerTest, FallsSilentWhenDestroyedAndStartsAfreshWhenRecreated)
{
    auto server = MakeServer();
    ASSERT_EQ(Next(), Awake());
    ASSERT_EQ(Next(), Alive(0));
    ASSERT_EQ(Next(), Alive(1));
    server.reset();
    // The destructor waits out a running tick, so anything sent is already queued.
    Drain();
    EXPECT_EQ(hal_.Receive(300ms), std::nullopt);

    server = MakeServer();
    EXPECT_EQ(Next(), Awake());
    EXPECT_EQ(Next(), Alive(0));
}

TEST_F(AwakeAndAliveServerTest, ServersShareOneCallbackThread)
{
    const auto first = MakeServer(0x02000001, 1);
    ASSERT_TRUE(WaitFor(0x02000001, VAwakeAndAliveServer::kAwakeSize));
    const std::size_t threads = ThreadCount();

    const auto second = MakeServer(0x02000002, 2);
    EXPECT_TRUE(WaitFor(0x02000002, VAwakeAndAliveServer::kAwakeSize));
    EXPECT_TRUE(WaitFor(0x02000001, VAwakeAndAliveServer::kAliveSize)) << "first still alive";
    EXPECT_TRUE(WaitFor(0x02000002, VAwakeAndAliveServer::kAliveSize));
    EXPECT_EQ(ThreadCount(), threads);
}

// Driven on the callback's own thread within one of its ticks. Most of the first 65533
// ticks overflow the HAL socket's queue; after draining it the test reads past any late
// stragglers up to alive 65533 and from there checks every datagram in order.
TEST_F(AwakeAndAliveServerTest, CounterWrapsAfter65535AndTheAwakeIsSentAgain)
{
    OnTickJob job(
        [this](UtilsThreading::VPeriodicCallback& timer) -> std::string
        {
            VAwakeAndAliveServer server(Ip("127.0.0.1"), Ip("127.0.0.2"), kDeviceId, kPort,
                                        kNetworkBox, ioService_, timer);
            for (unsigned tick = 0; tick < 65533; ++tick)
                server.OnTimer();
            Drain();
            server.OnTimer();
            if (!SkipTo(Alive(65533)))
                return "alive 65533 never arrived";
            for (const std::uint16_t counter : {65534, 65535, 0, 1})
            {
                server.OnTimer();
                if (counter == 0 && Next() != Awake())
                    return "no awake before alive 0 after the wrap";
                if (Next() != Alive(counter))
                    return "wrong alive " + std::to_string(counter);
            }
            return "";
        });
    UtilsThreading::VPeriodicCallback timer(100);
    auto result = job.RunOn(timer);
    ASSERT_EQ(result.wait_for(120s), std::future_status::ready);
    EXPECT_EQ(result.get(), "");
}
