// The round trip: briselCL replays an X2D file of two cameras and an X1D file of one box,
// halprobe listen records what arrives into new X2D and X1D files, and trialtool compare
// finds the recordings identical with the files replayed, frame by frame through the
// replay's frame mapping.

#include "tests/e2e/EmulatorSession.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/UdpTestSocket.h"
#include "tools/halprobe/BroadcastSender.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <regex>

using namespace std::chrono_literals;
using BriselTest::ChildProcess;
using BriselTest::ExitCodeOf;
using BriselTest::kGenerous;
using BriselTest::kHalAddress;
using testing::HasSubstr;

namespace
{
constexpr std::uint32_t kBox = 0x02000001;
constexpr std::uint16_t kCameraPort = 20000;
constexpr std::uint16_t kGreyscalePort = kCameraPort + 1000;
constexpr std::uint16_t kBoxPort = 30000;
// Positions reach the HAL truncated to 1/256 pixel, and the replayed file stores them in a
// fixed point of its own: together less than this apart.
constexpr const char* kCentroidTolerance = "0.004";
// Marks the end of what a listener has to read: a datagram no stream can use, which the
// listener names as a fault from the marker's own port.
const std::vector<std::uint8_t> kEndMarker{0xEE, 0xEE, 0xEE};
constexpr std::uint16_t kMarkerPort = 40404;
constexpr const char* kMarkerSender = "from 127.0.0.1:40404:";

BriselTest::ProgramOutcome RunTool(const char* program, const std::vector<std::string>& arguments)
{
    return BriselTest::RunProgram(program, arguments, kGenerous);
}

std::unique_ptr<ChildProcess> Listen(std::uint16_t port, const std::string& option,
                                     const std::string& path)
{
    auto listener = std::make_unique<ChildProcess>(
        HALPROBE_PATH, std::vector<std::string>{"listen", "--hal", kHalAddress, "--port",
                                                std::to_string(port), option, path});
    EXPECT_TRUE(listener->WaitForOutput("listening on", kGenerous)) << listener->Error();
    return listener;
}

// A port and the stream the listener takes a marker there for.
struct MarkedPort
{
    std::uint16_t port;
    std::string stream;
};

// Once the listener has named the marker sent to each port (each socket hands on its
// datagrams in order), it has read everything before it: then it is stopped.
void DrainAndStop(ChildProcess& listener, const std::vector<MarkedPort>& ports)
{
    BriselTest::UdpTestSocket sender(BriselTest::kEmulatorAddress, kMarkerPort);
    for (const MarkedPort& marked : ports)
        sender.SendTo(kHalAddress, marked.port, kEndMarker);
    for (const MarkedPort& marked : ports)
        EXPECT_TRUE(listener.WaitForOutput(marked.stream + " stream " + kMarkerSender, kGenerous))
            << listener.Output();
    listener.Signal(SIGINT);
    EXPECT_EQ(ExitCodeOf(listener.WaitForExit(kGenerous)), 0) << listener.Error();
}
} // namespace

TEST(RoundTrip, RecordingsOfAReplayCompareIdenticalWithTheReplayedFiles)
{
    BriselTest::TempDirectory directory;
    const std::string x2d = directory.Path("a.x2d"), x1d = directory.Path("a.x1d");
    // Tracks are not sent unless a camera's tracking mode is set, which the session cannot.
    ASSERT_EQ(RunTool(TRIALTOOL_PATH,
                      {"make-x2d", x2d, "--cameras", "2", "--frames", "40", "--tracks", "0"})
                  .exitCode,
              0);
    ASSERT_EQ(RunTool(TRIALTOOL_PATH, {"make-x1d", x1d, "--devices", "1", "--channels", "4",
                                       "--samples", "10", "--frames", "30"})
                  .exitCode,
              0);
    auto emulator = BriselTest::StartEmulator({"-x1d", x1d, "-x2d", x2d});
    auto box = BriselTest::Session(9001);
    BriselTest::PrepareToStream(*box, kBoxPort);
    // 10 samples per channel at 100 frames/s, as stored: the replay's resampling then hands
    // on every stored sample unchanged. 135 MHz / (5 × 27000) = 1000 Hz.
    // A rate enables the channels it allows (all 64 here): keep the four recorded ones.
    box->Run("samplerate -s 0 5 27000", 2s);
    box->Run("anactl -r 4 63 off", 2s);
    std::vector<std::unique_ptr<HalProbe::CommandSession>> cameras;
    for (std::uint16_t session : {9002, 9003})
    {
        cameras.push_back(BriselTest::Session(session));
        cameras.back()->Run("greymode all", 2s);
        cameras.back()->Run("coordmode some", 2s);
        BriselTest::PrepareToStream(*cameras.back(), kCameraPort);
    }
    const auto deadline = std::chrono::steady_clock::now() + kGenerous;
    while (box->Run("samplerate", 2s) != "1000.000000\r\n" &&
           std::chrono::steady_clock::now() < deadline)
    {
    }
    const std::string recordedX2D = directory.Path("b.x2d"), recordedX1D = directory.Path("b.x1d");
    auto cameraListener = Listen(kCameraPort, "--record-x2d", recordedX2D);
    auto boxListener = Listen(kBoxPort, "--record-x1d", recordedX1D);
    HalProbe::BroadcastSender hal(kHalAddress, BriselTest::kEmulatorAddress);
    hal.DataDisable(false);
    hal.Master(kBox, 100.0);
    // Camera frames reported in the listener's fourth second (its lines begin with the time,
    // "%10.3f s"): the replay has looped round its 40 frames a few times. Then the replay
    // ends before the recording does.
    EXPECT_TRUE(cameraListener->WaitForOutput("\n     3.", kGenerous));
    emulator->Signal(SIGINT);
    EXPECT_EQ(ExitCodeOf(emulator->WaitForExit(kGenerous)), 0) << emulator->Error();
    // On the data port a datagram that is not camera data is taken for analogue data.
    DrainAndStop(*cameraListener, {{kCameraPort, "analogue"}, {kGreyscalePort, "greyscale"}});
    DrainAndStop(*boxListener, {{kBoxPort, "analogue"}});
    EXPECT_THAT(cameraListener->Output(), HasSubstr("frames of 2 cameras into '" + recordedX2D));
    EXPECT_THAT(boxListener->Output(), HasSubstr("frames of 1 boxes into '" + recordedX1D));

    const BriselTest::ProgramOutcome cameraComparison =
        RunTool(TRIALTOOL_PATH,
                {"compare", x2d, recordedX2D, "--replay", "--tolerance", kCentroidTolerance});
    EXPECT_EQ(cameraComparison.exitCode, 0) << cameraComparison.output << cameraComparison.error;
    std::smatch compared;
    ASSERT_TRUE(std::regex_search(cameraComparison.output, compared,
                                  std::regex("identical: 2 cameras, ([0-9]+) frames")));
    EXPECT_GT(std::stoi(compared[1]), 80);
    // At the recorded rate the box sends the stored samples themselves: no tolerance.
    const BriselTest::ProgramOutcome boxComparison =
        RunTool(TRIALTOOL_PATH, {"compare", x1d, recordedX1D, "--replay"});
    EXPECT_EQ(boxComparison.exitCode, 0) << boxComparison.output << boxComparison.error;
    EXPECT_THAT(boxComparison.output, HasSubstr("identical: 1 box, "));
}
