// The faults a device takes on demand: the seeded drop draw, the verdicts each fault gives
// a data datagram, what the data socket does with them, and the muted announcer.

#include "devices/AwakeAndAliveServer.h"
#include "devices/DelayLine.h"
#include "devices/DeviceFaults.h"
#include "devices/FaultableSocket.h"
#include "tests/support/UdpTestSocket.h"

#include <arpa/inet.h>
#include <boost/asio/io_context.hpp>
#include <gtest/gtest.h>
#include <thread>

using namespace std::chrono_literals;
using Verdict = VDeviceFaults::Verdict;

namespace
{
constexpr const char* kDeviceAddress = "127.0.0.1";
constexpr const char* kHalAddress = "127.0.0.2";

std::vector<bool> Draws(double share, std::uint64_t seed, std::size_t count)
{
    VDropSequence sequence(share, seed);
    std::vector<bool> draws(count);
    for (std::size_t i = 0; i < count; ++i)
        draws[i] = sequence.Next();
    return draws;
}

FaultCommand Parsed(const std::string& words)
{
    std::string error;
    const std::optional<FaultCommand> command = ParseFaultCommand(words, error);
    EXPECT_TRUE(command) << words << ": " << error;
    return command.value_or(FaultCommand{});
}

std::vector<Verdict> Verdicts(VDeviceFaults& faults, std::size_t count)
{
    std::vector<Verdict> verdicts;
    for (std::size_t i = 0; i < count; ++i)
        verdicts.push_back(faults.Judge());
    return verdicts;
}

struct Rig
{
    boost::asio::io_context ioService;
    VDeviceFaults faults{ioService, ::inet_addr(kDeviceAddress)};
    BriselTest::UdpTestSocket hal{kHalAddress, 7000};
    VFaultableSocket socket{ioService, faults, ::inet_addr(kHalAddress), 7000};

    Rig() { socket.OpenForSending(::inet_addr(kDeviceAddress), ::inet_addr(kHalAddress), 7000); }

    bool Send(std::uint8_t value) { return socket.Send(&value, 1); }
    std::optional<std::uint8_t> Next(std::chrono::milliseconds timeout)
    {
        const auto datagram = hal.Receive(timeout);
        return datagram ? std::optional<std::uint8_t>(datagram->at(0)) : std::nullopt;
    }
};
} // namespace

TEST(DropSequence, TheSameSeedDropsTheSameDatagramsAndTheShareHolds)
{
    EXPECT_EQ(Draws(0.1, 7, 1000), Draws(0.1, 7, 1000));
    EXPECT_NE(Draws(0.1, 7, 1000), Draws(0.1, 8, 1000));
    const std::vector<bool> tenth = Draws(0.1, 7, 100000);
    const auto dropped = std::count(tenth.begin(), tenth.end(), true);
    EXPECT_GT(dropped, 9500);
    EXPECT_LT(dropped, 10500);
    EXPECT_EQ(Draws(0.0, 7, 1000), std::vector<bool>(1000, false));
    EXPECT_EQ(Draws(1.0, 7, 1000), std::vector<bool>(1000, true));
}

TEST(DeviceFaults, EachFaultGivesItsVerdictAndOffClearsThemAll)
{
    boost::asio::io_context ioService;
    VDeviceFaults faults(ioService, ::inet_addr(kDeviceAddress));
    EXPECT_FALSE(faults.IsActive());
    EXPECT_EQ(faults.Apply(Parsed("")), "no faults");

    EXPECT_EQ(faults.Apply(Parsed("drop 1 seed 4")),
              "drop 1 seed 4: 0 of 0 data datagrams dropped");
    EXPECT_TRUE(faults.IsActive());
    EXPECT_EQ(Verdicts(faults, 3), std::vector<Verdict>(3, Verdict::Drop));
    EXPECT_EQ(faults.Describe(), "drop 1 seed 4: 3 of 3 data datagrams dropped");

    faults.Apply(Parsed("drop 0"));
    EXPECT_FALSE(faults.IsActive()) << "a share of 0 leaves the data path alone";
    EXPECT_EQ(faults.Apply(Parsed("delay 3")),
              "drop 0 seed 1: 0 of 0 data datagrams dropped\ndelay 3 ms");
    EXPECT_EQ(Verdicts(faults, 2), std::vector<Verdict>(2, Verdict::SendLate));

    faults.Apply(Parsed("silence 60000"));
    EXPECT_EQ(faults.Judge(), Verdict::Drop);
    EXPECT_NE(faults.Describe().find("\nsilence "), std::string::npos);
    faults.Apply(Parsed("silence 0"));
    EXPECT_EQ(faults.Judge(), Verdict::SendLate);

    faults.Apply(Parsed("mute 60000"));
    faults.Apply(Parsed("refuse 60000"));
    EXPECT_TRUE(faults.IsMuted());
    EXPECT_TRUE(faults.IsRefusing());
    EXPECT_EQ(faults.Apply(Parsed("off")), "no faults");
    EXPECT_FALSE(faults.IsActive());
    EXPECT_FALSE(faults.IsMuted());
    EXPECT_FALSE(faults.IsRefusing());
    EXPECT_EQ(faults.Judge(), Verdict::Send);
}

// The same seed on two devices drops the same datagrams, counted from the moment it is set.
TEST(DeviceFaults, ADropRestartsItsDrawWhenSetAgain)
{
    boost::asio::io_context ioService;
    VDeviceFaults first(ioService, ::inet_addr(kDeviceAddress));
    VDeviceFaults second(ioService, ::inet_addr(kDeviceAddress));
    first.Apply(Parsed("drop 0.5 seed 9"));
    Verdicts(first, 17);
    first.Apply(Parsed("drop 0.5 seed 9"));
    second.Apply(Parsed("drop 0.5 seed 9"));
    EXPECT_EQ(Verdicts(first, 64), Verdicts(second, 64));
}

TEST(FaultableSocket, SendsAtOnceWithoutFaultsDropsWhatTheDrawDropsAndDelaysOnTheIOService)
{
    Rig rig;
    EXPECT_TRUE(rig.Send(1));
    EXPECT_EQ(rig.Next(5s), 1);

    rig.faults.Apply(Parsed("drop 1"));
    EXPECT_TRUE(rig.Send(2)) << "a dropped datagram counts as sent, as the network took it";
    rig.faults.Apply(Parsed("off"));
    rig.faults.Apply(Parsed("delay 1"));
    EXPECT_TRUE(rig.Send(3));
    rig.faults.Apply(Parsed("off"));
    EXPECT_TRUE(rig.Send(4));
    EXPECT_EQ(rig.Next(5s), 4) << "the dropped one never came; the late one waits for its timer";

    // The late datagram goes out only from the I/O service, never from the frame step.
    std::thread io([&] { rig.ioService.run(); });
    EXPECT_EQ(rig.Next(5s), 3);
    io.join();
}

// What a delay holds back is bounded, and discarding it leaves the I/O service without work
// at once, however long the delay (a device taken out of service must not hold up the stop).
TEST(DelayLine, HoldsBackABoundedAmountAndDiscardEndsEveryWaitAtOnce)
{
    boost::asio::io_context ioService;
    BriselTest::UdpTestSocket hal(kHalAddress, 7000);
    const auto line = std::make_shared<VDelayLine>(ioService, ::inet_addr(kDeviceAddress));
    const std::vector<std::uint8_t> big(60000, 7);
    const std::size_t fitting = VDelayLine::kMaxHeldBytes / big.size();
    for (std::size_t i = 0; i < fitting + 5; ++i)
        line->SendLate(big.data(), big.size(), ::inet_addr(kHalAddress), 7000, 1h);
    const std::uint8_t small = 9;
    line->SendLate(&small, 1, ::inet_addr(kHalAddress), 7000, 0ms);
    EXPECT_EQ(ioService.run_for(0s), 0u) << "nothing is due yet";
    EXPECT_FALSE(hal.Receive(100ms)) << "beyond the bound a datagram is dropped, not held";

    line->Discard();
    const std::vector<std::uint8_t> later(10, 3);
    line->SendLate(later.data(), later.size(), ::inet_addr(kHalAddress), 7000, 0ms);
    ioService.run(); // returns only once no timer is left waiting
    const auto datagram = hal.Receive(5s);
    ASSERT_TRUE(datagram) << "after a discard the line holds back again";
    EXPECT_EQ(*datagram, later);
    EXPECT_FALSE(hal.Receive(100ms)) << "nothing discarded is sent";
}

TEST(AwakeAndAliveServer, AMutedServerSendsNothingUntilTheMuteIsOver)
{
    boost::asio::io_context ioService;
    VDeviceFaults faults(ioService, ::inet_addr(kDeviceAddress));
    BriselTest::UdpTestSocket hal(kHalAddress, VAwakeAndAliveServer::kHalPort);
    // Never ticks by itself: the test calls OnTimer().
    UtilsThreading::VPeriodicCallback timer(3600 * 1000);
    VAwakeAndAliveServer server(::inet_addr(kDeviceAddress), ::inet_addr(kHalAddress), 1, 1, 0,
                                ioService, timer, &faults);
    faults.Apply(Parsed("mute 60000"));
    server.OnTimer();
    faults.Apply(Parsed("off"));
    server.OnTimer();
    const auto alive = hal.Receive(5s);
    ASSERT_TRUE(alive);
    EXPECT_EQ(alive->size(), VAwakeAndAliveServer::kAliveSize)
        << "the awake packet fell in the mute";
    EXPECT_EQ((*alive)[12], 0);
    EXPECT_EQ((*alive)[13], 1) << "the counter ran on through the mute";
}
