// Runs the real briselCL and talks to it as the HAL would, over real sockets, each test
// in a network namespace of its own.

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/UdpTestSocket.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using BriselTest::BigEndianWords;
using BriselTest::ChildProcess;
using BriselTest::ExitCodeOf;
using BriselTest::UdpTestSocket;
using namespace std::chrono_literals;

namespace
{
const std::string kBanner = "briselCL version 1.3.3\n";
const std::string kUsage = "Usage : brisel [-localip <local_ip_address>] [-halip <hal_ip_address>] "
                           "[-x1d <trial.x1d>] [-x2d <trial.x2d>]";
const std::string kReady = "Press Ctrl-C to quit\n\n\n";
// Start-up and shut-down take milliseconds; the bound only matters when something hangs,
// and sanitizer builds on a loaded machine are many times slower.
constexpr std::chrono::seconds kGenerous{30};

std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& arguments)
{
    return std::make_unique<ChildProcess>(BRISELCL_PATH, arguments);
}

// Starts briselCL for 127.0.0.1 with the HAL at 127.0.0.2 and waits until it runs.
std::unique_ptr<ChildProcess> StartRunning()
{
    auto process = Start({"-localip", "127.0.0.1", "-halip", "127.0.0.2", "-x2d", "missing.x2d"});
    EXPECT_TRUE(process->WaitForOutput(kReady, kGenerous)) << process->Output() << process->Error();
    return process;
}

void ExpectOrderlyStop(ChildProcess& process, int signalNumber = SIGINT)
{
    process.Signal(signalNumber);
    EXPECT_EQ(ExitCodeOf(process.WaitForExit(kGenerous)), 0) << process.Output() << process.Error();
}
} // namespace

TEST(BriselCL, WithoutArgumentsPrintsBannerAndUsageAndFails)
{
    auto process = Start({});
    EXPECT_EQ(ExitCodeOf(process->WaitForExit(kGenerous)), 1);
    EXPECT_EQ(process->Output(), kBanner + kUsage);
}

TEST(BriselCL, BadLocalAddressIsReportedBeforeAnythingStarts)
{
    auto process = Start({"-localip", "10.0.0.1x", "-x2d", "trial.x2d"});
    EXPECT_EQ(ExitCodeOf(process->WaitForExit(kGenerous)), 1);
    EXPECT_EQ(process->Error(), "Unknown local IP address 10.0.0.1x\n");
    EXPECT_EQ(process->Output(), kBanner + kUsage);
}

TEST(BriselCL, BadHalAddressIsReported)
{
    auto process = Start({"-halip", "1.2.3", "-x1d", "trial.x1d"});
    EXPECT_EQ(ExitCodeOf(process->WaitForExit(kGenerous)), 1);
    EXPECT_EQ(process->Error(), "Unknown HAL IP address 1.2.3\n");
    EXPECT_EQ(process->Output(), kBanner + kUsage);
}

TEST(BriselCL, CrashOptionCrashesBeforeAddressesAreChecked)
{
    // In a folder of its own and without a display, where the error reporter leaves its dump.
    const BriselTest::TempDirectory folder;
    auto process = std::make_unique<ChildProcess>(
        "/usr/bin/env",
        std::vector<std::string>{"-C", folder.Path(), "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
                                 BRISELCL_PATH, "-localip", "bad", "-crash"});
    const auto status = process->WaitForExit(kGenerous);
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFSIGNALED(*status)) << "status " << *status;
    EXPECT_EQ(process->Output(), kBanner + "Crashing\n");
    EXPECT_EQ(process->Error().find("Unknown local IP address"), std::string::npos);
}

TEST(BriselCL, UnrecognisedArgumentsAreWarnedAboutAndIgnored)
{
    auto process = Start({"-bogus", "-x2d", "trial.x2d"});
    ASSERT_TRUE(process->WaitForOutput(kReady, kGenerous));
    EXPECT_NE(process->Error().find("-bogus"), std::string::npos) << process->Error();
    ExpectOrderlyStop(*process);
}

TEST(BriselCL, BothTrialFilesAreReportedX1DFirstWithDefaultAddresses)
{
    auto process = Start({"-x2d", "b.x2d", "-x1d", "a.x1d"});
    ASSERT_TRUE(process->WaitForOutput(kReady, kGenerous));
    EXPECT_EQ(process->Output(), kBanner +
                                     "Local IP: 127.0.0.1\nHAL   IP: 127.0.0.1\n"
                                     "X1D     : a.x1d\nX2D     : b.x2d\n" +
                                     kReady);
    ExpectOrderlyStop(*process);
}

TEST(BriselCL, EmptyLocalAddressMeansLoopback)
{
    auto process = Start({"-localip", "", "-halip", "10.1.2.3", "-x1d", "a.x1d"});
    ASSERT_TRUE(process->WaitForOutput(kReady, kGenerous));
    EXPECT_NE(process->Output().find("Local IP: 127.0.0.1\nHAL   IP: 10.1.2.3\n"),
              std::string::npos);
    ExpectOrderlyStop(*process, SIGTERM);
}

TEST(BriselCL, LocalAddressNotOnThisHostStillRunsAndStops)
{
    auto process = Start({"-localip", "10.99.99.99", "-x2d", "a.x2d"});
    ASSERT_TRUE(process->WaitForOutput(kReady, kGenerous));
    ExpectOrderlyStop(*process);
}

// Two consoles on one host: the second cannot listen on the command session ports the first
// holds, says so for each of its devices, and still runs and stops in order.
TEST(BriselCL, CommandSessionPortInUseIsNamedAndTheRigRunsOn)
{
    auto first = Start({"-localip", "127.0.0.1", "-synthcameras", "2"});
    ASSERT_TRUE(first->WaitForOutput(kReady, kGenerous));
    auto second = Start({"-localip", "127.0.0.2", "-synthcameras", "2"});
    EXPECT_TRUE(second->WaitForError(
        "Command session port 9001 cannot be used: Address already in use.\n", kGenerous))
        << second->Error();
    EXPECT_TRUE(second->WaitForError(
        "Command session port 9002 cannot be used: Address already in use.\n", kGenerous))
        << second->Error();
    EXPECT_EQ(first->Error().find("cannot be used"), std::string::npos) << first->Error();
    ExpectOrderlyStop(*second);
    ExpectOrderlyStop(*first);
}

// The stop signals are blocked in every thread of the running program; only the main
// thread's signal descriptor takes them.
TEST(BriselCL, EveryThreadBlocksTheStopSignals)
{
    auto process = StartRunning();
    const unsigned long long stopSignals =
        (1ULL << (SIGHUP - 1)) | (1ULL << (SIGINT - 1)) | (1ULL << (SIGTERM - 1));
    const std::string tasks = "/proc/" + std::to_string(process->Pid()) + "/task";
    int threads = 0;
    for (const auto& task : std::filesystem::directory_iterator(tasks))
    {
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line))
        {
            if (line.rfind("SigBlk:", 0) != 0)
                continue;
            const unsigned long long blocked = std::stoull(line.substr(7), nullptr, 16);
            EXPECT_EQ(blocked & stopSignals, stopSignals) << task.path() << ": " << line;
            ++threads;
        }
    }
    EXPECT_GE(threads, 19) << "main, I/O, broadcast receiver and the sixteen pool threads";
    ExpectOrderlyStop(*process);
}

TEST(BriselCL, LogsEveryBroadcastCommandFromTheHal)
{
    auto process = StartRunning();
    UdpTestSocket hal("127.0.0.2");
    const std::vector<std::pair<std::vector<std::uint32_t>, std::string>> commands = {
        {{0x00010001, 42}, "00010001 (BROADCAST_CMD_SYNC, frame = 42)"},
        {{0x00020001, 0xFFFFFFFF}, "00020001 (BROADCAST_CMD_RESET, device = -1)"},
        {{0x00030005, 3, 0, 59, 940, 0}, "00030005 (BROADCAST_CMD_MASTER, device = 3)"},
        {{0x00040006, 1, 0x02000006}, "00040006 (BROADCAST_CMD_AWAKE, device = 33554438)"},
        {{0x00050002, 4, 1}, "00050002 (BROADCAST_CMD_PREVIEW, device = 4)"},
        {{0x00060007, 1, 5}, "00060007 (BROADCAST_CMD_ALIVE_PING, device = 5)"},
        {{0x00070001, 1000}, "00070001 (BROADCAST_CMD_FRAME_NUMBER, frame = 1000)"},
        {{0x00080001, 1}, "00080001 (BROADCAST_CMD_DATA_DISABLE, flags = 0x00000001)"},
        {{0x00090001, 0xAB}, "00090001 (BROADCAST_CMD_STROBE_DISABLE, flags = 0x000000AB)"},
        {{0x000A0001}, "000A0001 (BROADCAST_CMD_TEST_SYNC)"},
        {{0x000B0001, 2}, "000B0001 (BROADCAST_CMD_SYSTEM_EVENT, type = 0x00000002)"},
        {{0x00010002, 7}, "00010002 (unknown)"},
        {{0x00030005}, "00030005 (BROADCAST_CMD_MASTER, too short: 4 bytes)"},
    };
    for (const auto& [words, text] : commands)
    {
        hal.SendTo("127.0.0.1", 8666, BigEndianWords(words));
        EXPECT_TRUE(process->WaitForOutput("Received broadcast command: " + text + "\n", 5s))
            << text << "\n"
            << process->Output();
    }
    hal.SendTo("127.0.0.1", 8666, {0x00, 0x01});
    EXPECT_TRUE(process->WaitForOutput(
        "Received broadcast datagram too short for a command: 2 bytes\n", 5s));
    ExpectOrderlyStop(*process);
}

TEST(BriselCL, IgnoresDatagramsFromOtherSenders)
{
    auto process = StartRunning();
    UdpTestSocket("127.0.0.3").SendTo("127.0.0.1", 8666, BigEndianWords({0x00010001, 111}));
    UdpTestSocket("127.0.0.2").SendTo("127.0.0.1", 8666, BigEndianWords({0x00010001, 222}));
    ASSERT_TRUE(process->WaitForOutput("frame = 222", 5s));
    EXPECT_EQ(process->Output().find("frame = 111"), std::string::npos);
    ExpectOrderlyStop(*process);
}

TEST(BriselCL, OversizedDatagramEndsReceptionForTheRestOfTheRun)
{
    auto process = StartRunning();
    UdpTestSocket hal("127.0.0.2");
    hal.SendTo("127.0.0.1", 8666, BigEndianWords({0x00010001, 1}));
    ASSERT_TRUE(process->WaitForOutput("frame = 1)", 5s));
    std::vector<std::uint8_t> oversized = BigEndianWords({0x00010001, 2});
    oversized.resize(1025);
    hal.SendTo("127.0.0.1", 8666, oversized);
    hal.SendTo("127.0.0.1", 8666, BigEndianWords({0x00010001, 3}));
    EXPECT_FALSE(process->WaitForOutput("frame = 3)", 500ms)) << "no command after it is logged";
    EXPECT_EQ(process->Output().find("frame = 2)"), std::string::npos);
    ExpectOrderlyStop(*process);
}

// The HAL in a namespace of its own, joined to the emulator's by a veth pair, sends to
// the subnet's broadcast address and to the limited broadcast address.
class BriselCLOverVeth : public testing::Test
{
protected:
    // `emulatorBroadcast`: the broadcast address the emulator's interface is given ("+" for
    // the subnet's own).
    void JoinNamespaces(const std::string& emulatorBroadcast)
    {
        const std::string setUp =
            "ip netns add " + halNamespace_ +
            " && ip link add vEmu type veth peer name vHal netns " + halNamespace_ +
            " && ip addr add 10.77.0.1/24 brd " + emulatorBroadcast +
            " dev vEmu && ip link set vEmu up && " + "ip -n " + halNamespace_ +
            " addr add 10.77.0.2/24 brd + dev vHal && ip -n " + halNamespace_ +
            " addr add 10.77.0.3/24 brd + dev vHal && ip -n " + halNamespace_ + " link set vHal up";
        ASSERT_EQ(BriselTest::RunCommand(setUp), 0);
    }
    // The pair goes with the HAL's namespace; deleting our end too leaves no trace for the
    // next test of the same process, whenever the kernel gets round to it.
    void TearDown() override
    {
        BriselTest::RunCommand("ip link del vEmu 2>/dev/null; ip netns del " + halNamespace_);
    }

    int SendFromHalNamespace(const std::string& from, const std::string& to, std::uint32_t frame)
    {
        return BriselTest::RunCommand("ip netns exec " + halNamespace_ + " " + UDP_SEND_PATH + " " +
                                      from + " " + to + " 8666 0x00010001 " +
                                      std::to_string(frame));
    }

    const std::string halNamespace_ = "brisel-hal-" + std::to_string(::getpid());
};

TEST_F(BriselCLOverVeth, ReceivesTheHalsSubnetAndLimitedBroadcasts)
{
    JoinNamespaces("+");
    auto process = Start({"-localip", "10.77.0.1", "-halip", "10.77.0.2", "-x2d", "a.x2d"});
    ASSERT_TRUE(process->WaitForOutput(kReady, kGenerous));
    ASSERT_EQ(SendFromHalNamespace("10.77.0.3", "10.77.0.255", 301), 0);
    ASSERT_EQ(SendFromHalNamespace("10.77.0.2", "10.77.0.255", 302), 0);
    EXPECT_TRUE(process->WaitForOutput("frame = 302)", 5s)) << process->Output();
    ASSERT_EQ(SendFromHalNamespace("10.77.0.2", "255.255.255.255", 303), 0);
    EXPECT_TRUE(process->WaitForOutput("frame = 303)", 5s)) << process->Output();
    ASSERT_EQ(SendFromHalNamespace("10.77.0.2", "10.77.0.1", 304), 0);
    EXPECT_TRUE(process->WaitForOutput("frame = 304)", 5s)) << process->Output();
    EXPECT_EQ(process->Output().find("frame = 301)"), std::string::npos)
        << "a broadcast from another host of the subnet is ignored";
    const std::string output = process->Output();
    EXPECT_EQ(output.find("frame = 302)"), output.rfind("frame = 302)")) << "received once";
    ExpectOrderlyStop(*process);
}

TEST_F(BriselCLOverVeth, HandlesEachBroadcastOnceWhenTheInterfaceBroadcastsToAllOnes)
{
    JoinNamespaces("255.255.255.255");
    auto process = Start({"-localip", "10.77.0.1", "-halip", "10.77.0.2", "-x2d", "a.x2d"});
    ASSERT_TRUE(process->WaitForOutput(kReady, kGenerous));
    const std::string logged =
        "Received broadcast command: 00010001 (BROADCAST_CMD_SYNC, frame = 401)\n";
    ASSERT_EQ(SendFromHalNamespace("10.77.0.2", "255.255.255.255", 401), 0);
    ASSERT_TRUE(process->WaitForOutput(logged, 5s)) << process->Output();
    EXPECT_FALSE(process->WaitForOutput(logged + logged, 1s)) << "handled once";
    ExpectOrderlyStop(*process);
}
