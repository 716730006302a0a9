// The real briselCL emulating a test pattern without any trial file, driven as the HAL
// drives it: synthetic cameras send their centroid grid and a synthetic box its sine, each
// frame in order from the camera's clock, while a CG client measures the latency against a
// served CG stream and writes its histogram when the program stops. And what the console
// says of test-pattern options it cannot use.

#include "tests/e2e/EmulatorSession.h"
#include "tests/support/TempDirectory.h"
#include "tools/halprobe/AnalogueStreamListener.h"
#include "tools/halprobe/BroadcastSender.h"
#include "tools/halprobe/CGStreamServer.h"
#include "tools/halprobe/CameraStreamListener.h"

#include <atomic>
#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/socket.h>

using namespace std::chrono_literals;
using BriselTest::ExitCodeOf;
using BriselTest::kGenerous;
using BriselTest::kHalAddress;
using BriselTest::Session;

namespace
{
constexpr std::uint32_t kCamera = 1;
constexpr std::uint32_t kBox = 0x02000002;
// The CG stream answers with a frame the cameras sent this many frames before the last one
// the test has read, so most latencies lie above the client's 1 ms clock.
constexpr std::uint32_t kHostDelayFrames = 5;

void Prepare(HalProbe::CommandSession& session, std::uint16_t port)
{
    session.Run("notify a 5000 b 7", 2s);
    session.Run("datadisable false", 2s);
    session.Run("portset " + std::to_string(port), 2s);
}

std::string ReadFile(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}
} // namespace

// A LumeD with the defaults draws 12 rows of 25 centroids; the box, once capturing, sends
// 180000 Hz / 100 Hz = 1800 samples of its one channel a frame.
TEST(SynthRig, TestPatternStreamsInOrderAndTheCGClientExportsItsLatency)
{
    BriselTest::TempDirectory directory;
    std::atomic<std::uint32_t> lastFrame{0};
    HalProbe::VCGStreamServer host(0,
                                   [&]
                                   {
                                       const std::uint32_t frame = lastFrame.load();
                                       return frame > kHostDelayFrames ? frame - kHostDelayFrames
                                                                       : 0;
                                   });
    const std::string csv = directory.Path("latency.csv");
    auto process = BriselTest::StartEmulator(
        {"-synthcameras", "1", "-synthtype", "LumeD", "-synthboxes", "1", "-cgclient",
         "127.0.0.1:" + std::to_string(host.GetPort()), "-cgexport", csv});
    auto camera = Session(9001);
    auto box = Session(9002);
    EXPECT_NE(camera->Run("info", 2s).find("Device Type : LumeD\n"), std::string::npos);
    Prepare(*camera, 7000);
    Prepare(*box, 6000);
    box->Run("capture on", 2s);
    HalProbe::CameraStreamListener centroids(kHalAddress, 7000, HalProbe::CameraStream::Centroid);
    HalProbe::AnalogueStreamListener analogue(kHalAddress, 6000);
    // The test reads two streams in turn, slowly under a sanitizer: room for the frames that
    // come meanwhile, or the kernel drops them and the frames break.
    for (const int descriptor : {centroids.Descriptor(), analogue.Descriptor()})
    {
        const int bytes = 8 << 20;
        ASSERT_EQ(::setsockopt(descriptor, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof(bytes)), 0);
    }
    HalProbe::BroadcastSender hal(kHalAddress, BriselTest::kEmulatorAddress);
    hal.DataDisable(false);
    hal.Master(kCamera, 100.0);

    std::uint32_t cameraFrames = 0, boxFrames = 0;
    while (cameraFrames < 200 || boxFrames < 200)
    {
        if (const auto frame = centroids.NextFrame(2ms))
        {
            EXPECT_EQ(frame->deviceId, kCamera);
            EXPECT_EQ(frame->centroids.size(), 300u);
            if (cameraFrames++ > 0)
            {
                EXPECT_EQ(frame->frameNumber, lastFrame.load() + 1);
            }
            lastFrame = frame->frameNumber;
        }
        if (const auto frame = analogue.NextFrame(2ms))
        {
            EXPECT_EQ(frame->record.deviceId, kBox);
            // Capture starts a couple of frames after "capture on"; from then on every
            // frame carries its samples.
            if (boxFrames > 0 || frame->SampleCount() > 0)
            {
                EXPECT_EQ(frame->SampleCount(), 1800u);
                EXPECT_EQ(frame->record.channelMask, 1u);
                ++boxFrames;
            }
        }
        ASSERT_LT(cameraFrames + boxFrames, 100000u) << process->Output();
    }
    EXPECT_TRUE(host.WaitUntil([&] { return host.GetAnswerCount() > 20; }, kGenerous));

    process->Signal(SIGINT);
    EXPECT_EQ(ExitCodeOf(process->WaitForExit(kGenerous)), 0) << process->Error();
    EXPECT_NE(process->Output().find("CG latency histogram written to " + csv + "\n"),
              std::string::npos);
    std::istringstream lines(ReadFile(csv));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "Latency,Frequency");
    unsigned counted = 0;
    while (std::getline(lines, line))
    {
        unsigned latency = 0, count = 0;
        char comma = 0;
        std::istringstream(line) >> latency >> comma >> count;
        EXPECT_GT(latency, 0u) << line;
        counted += count;
    }
    EXPECT_GT(counted, 10u) << "frames came back over the CG stream";
}

TEST(SynthRig, TestPatternOptionsThatCannotBeUsedAreNamed)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-synthcameras", "1", "-synthtype", "Nope"}, "Unknown synthetic camera type Nope\n"},
        {{"-synthboxes", "-2"}, "Synthetic device counts must lie between 0 and 56535 in all\n"},
        {{"-synthcameras", "1", "-cgclient", "localhost"},
         "CG client address must be host:port, not localhost\n"},
        {{"-cgclient", "localhost:99999"},
         "CG client address must be host:port, not "
         "localhost:99999\n"},
    };
    for (const auto& [arguments, error] : cases)
    {
        BriselTest::ChildProcess process(BRISELCL_PATH, arguments);
        EXPECT_EQ(ExitCodeOf(process.WaitForExit(kGenerous)), 1) << error;
        EXPECT_EQ(process.Error(), error);
    }
}
