// The real briselCL with faults injected into single devices of a test-pattern rig, driven
// as the HAL drives it: a camera that drops a seeded share of its datagrams loses exactly
// the datagrams its seed names, a camera silenced for a second goes quiet and comes back,
// and every other device loses nothing and keeps the frame numbers of the rest. And what a
// session answers to fault commands it cannot use.

#include "devices/DropSequence.h"
#include "devices/FaultCommand.h"
#include "tests/e2e/EmulatorSession.h"
#include "tools/halprobe/AnalogueStreamListener.h"
#include "tools/halprobe/BroadcastSender.h"
#include "tools/halprobe/CameraStreamListener.h"
#include "tools/halprobe/LossStatistics.h"

#include <csignal>
#include <map>
#include <set>
#include <sys/socket.h>

using namespace std::chrono_literals;
using BriselTest::ExitCodeOf;
using BriselTest::kGenerous;
using BriselTest::kHalAddress;
using BriselTest::Session;
using HalProbe::CameraStream;

namespace
{
constexpr std::uint16_t kDataPort = 7000;
constexpr std::uint16_t kCombinedPort = kDataPort + 5000;
constexpr std::uint32_t kMaster = 1, kDropping = 2, kSilent = 3, kNeighbour = 4;
constexpr std::uint32_t kBox = 0x02000005;
constexpr double kShare = 0.1;
constexpr std::uint64_t kSeed = 7;
constexpr double kRate = 100.0;
constexpr std::uint32_t kFramesBeforeSilence = 100;
// Frames after the silence's end that every camera must show before the run ends.
constexpr std::uint32_t kFramesAfterSilence = 60;

// Everything the HAL received, by device.
struct Seen
{
    std::vector<HalProbe::StreamEvent> cameraEvents;
    std::map<std::uint32_t, std::map<std::uint32_t, std::size_t>> wholeFrames; // datagrams
    std::map<std::uint32_t, std::set<std::uint32_t>> frameNumbers; // whole or incomplete
    std::set<std::uint32_t> boxFrames;

    void Add(HalProbe::StreamEvent event)
    {
        if (const auto* frame = std::get_if<HalProbe::CameraFrame>(&event))
        {
            wholeFrames[frame->deviceId][frame->frameNumber] = frame->DatagramCount();
            frameNumbers[frame->deviceId].insert(frame->frameNumber);
        }
        if (const auto* fault = std::get_if<HalProbe::StreamFault>(&event))
            if (fault->deviceId && fault->frameNumber)
                frameNumbers[*fault->deviceId].insert(*fault->frameNumber);
        cameraEvents.push_back(std::move(event));
    }

    std::uint32_t Latest(std::uint32_t deviceId) const
    {
        const auto frames = wholeFrames.find(deviceId);
        return frames == wholeFrames.end() || frames->second.empty()
                   ? 0
                   : frames->second.rbegin()->first;
    }
};

std::string FaultsText(const Seen& seen)
{
    std::string text;
    std::size_t n = 0;
    for (const auto& event : seen.cameraEvents)
        if (const auto* fault = std::get_if<HalProbe::StreamFault>(&event); fault && n++ < 20)
            text += std::to_string(fault->deviceId.value_or(99)) + " " +
                    std::to_string(fault->frameNumber.value_or(0)) + " " + fault->what + "\n";
    return text;
}

// The listener's events up to frame `last`, counted as halprobe listen counts them.
HalProbe::LossStatistics LossesUpTo(const Seen& seen, std::uint32_t last)
{
    HalProbe::LossStatistics losses;
    for (const HalProbe::StreamEvent& event : seen.cameraEvents)
        if (const auto* frame = std::get_if<HalProbe::CameraFrame>(&event))
        {
            if (frame->frameNumber <= last)
                losses.AddFrame(*frame);
        }
        else if (const auto* fault = std::get_if<HalProbe::StreamFault>(&event))
        {
            if (fault->frameNumber && *fault->frameNumber <= last)
                losses.AddFault(*fault);
        }
    return losses;
}

struct ExpectedLoss
{
    std::size_t datagramsLost = 0; // as far as the datagram indices show them
    std::size_t framesCutShort = 0;
    std::size_t missingFrames = 0;
};

// Adds one frame's drops, by datagram index, as the HAL can see them: the holes below the
// highest index that came.
void AddFrame(const std::vector<bool>& dropped, ExpectedLoss& expected)
{
    std::size_t reached = dropped.size();
    while (reached > 0 && dropped[reached - 1])
        --reached;
    if (reached == 0)
        ++expected.missingFrames;
    for (std::size_t index = 0; index < reached; ++index)
        expected.datagramsLost += dropped[index] ? 1 : 0;
    expected.framesCutShort += reached > 0 && reached < dropped.size() ? 1 : 0;
}

// Replays the seed over the datagrams the dropping camera sent from its first frame on;
// its frames carry as many datagrams as the master's frames of the same number.
ExpectedLoss ExpectedDrops(const Seen& seen, std::uint32_t first, std::uint32_t last)
{
    VDropSequence drops(kShare, kSeed);
    ExpectedLoss expected;
    const auto& masterFrames = seen.wholeFrames.at(kMaster);
    for (std::uint32_t frame = first; frame <= last; ++frame)
    {
        const auto master = masterFrames.find(frame);
        if (master == masterFrames.end())
        {
            ADD_FAILURE() << "the master lacks frame " << frame
                          << "; seen at all: " << seen.frameNumbers.at(kMaster).count(frame)
                          << ", by camera 4: " << seen.frameNumbers.at(kNeighbour).count(frame)
                          << ", by camera 2: " << seen.frameNumbers.at(kDropping).count(frame)
                          << FaultsText(seen);
            return expected;
        }
        std::vector<bool> dropped(master->second);
        for (std::size_t datagram = 0; datagram < dropped.size(); ++datagram)
            dropped[datagram] = drops.Next();
        AddFrame(dropped, expected);
    }
    return expected;
}

void ExpectEveryFrame(const std::set<std::uint32_t>& frames, std::uint32_t first,
                      std::uint32_t last, const char* what)
{
    for (std::uint32_t frame = first; frame <= last; ++frame)
        EXPECT_TRUE(frames.count(frame)) << what << " lacks frame " << frame;
}
} // namespace

TEST(Faults, DroppedDatagramsFollowTheSeedAndASilentCameraReturnsWithoutDisturbingTheRig)
{
    auto process = BriselTest::StartEmulator({"-synthcameras", "4", "-synthtype", "SorrelMV",
                                              "-synthboxes", "1", "-fault", "drop 0.1 seed 7",
                                              "-faultports", std::to_string(kDropping)});
    EXPECT_NE(process->Output().find(
                  "Fault on device 2: drop 0.1 seed 7: 0 of 0 data datagrams dropped\n"),
              std::string::npos)
        << process->Output();
    HalProbe::CameraStreamListener cameras(kHalAddress, kCombinedPort, CameraStream::Combined);
    HalProbe::AnalogueStreamListener analogue(kHalAddress, 6000);
    // A frame of four cameras comes as one burst, and a slow reader (under a sanitizer)
    // reads one port while the other fills: room for both beyond the default buffer.
    for (const int descriptor : {cameras.Descriptor(), analogue.Descriptor()})
    {
        const int bytes = 32 << 20;
        ASSERT_EQ(::setsockopt(descriptor, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof(bytes)), 0);
    }
    std::vector<std::unique_ptr<HalProbe::CommandSession>> sessions;
    for (std::uint16_t port = 1; port <= 4; ++port)
    {
        sessions.push_back(Session(9000 + port));
        // Centroids only: a few datagrams a frame, which the test reads in time on a busy
        // machine too. The main thread applies settings in order, so the mode is in force
        // before "datadisable false" lets the camera send.
        sessions.back()->Run("greymode none", 2s);
        BriselTest::PrepareToStream(*sessions.back(), kDataPort);
    }
    auto box = Session(9005);
    BriselTest::PrepareToStream(*box, 6000);
    HalProbe::BroadcastSender hal(kHalAddress, BriselTest::kEmulatorAddress);
    hal.DataDisable(false);
    hal.Master(kMaster, kRate);

    Seen seen;
    std::optional<std::uint32_t> silenceFrame;
    const auto deadline = std::chrono::steady_clock::now() + kGenerous;
    while (!silenceFrame || seen.Latest(kSilent) < *silenceFrame + kFramesAfterSilence + 100 ||
           seen.Latest(kDropping) < seen.Latest(kSilent) || seen.boxFrames.empty() ||
           *seen.boxFrames.rbegin() < seen.Latest(kSilent))
    {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline)
            << seen.cameraEvents.size() << " camera events, latest frames " << seen.Latest(kMaster)
            << " " << seen.Latest(kDropping) << " " << seen.Latest(kSilent) << "\n"
            << process->Output() << FaultsText(seen);
        // Four cameras send thousands of datagrams a second: read all that are waiting
        // before waiting again, or the socket's buffer overflows.
        bool idle = true;
        for (auto event = cameras.NextEvent(0ms); event;
             event = cameras.NextEvent(0ms), idle = false)
            seen.Add(std::move(*event));
        for (auto frame = analogue.NextFrame(0ms); frame; frame = analogue.NextFrame(0ms))
            seen.boxFrames.insert(frame->record.frameNumber);
        if (idle)
            if (auto event = cameras.NextEvent(1ms))
                seen.Add(std::move(*event));
        if (!silenceFrame && seen.wholeFrames[kMaster].size() >= kFramesBeforeSilence)
        {
            EXPECT_EQ(sessions[kSilent - 1]->Run("fault silence 1000", 2s).rfind("silence ", 0),
                      0u);
            silenceFrame = seen.Latest(kMaster);
        }
    }

    // Every frame up to `last` has been settled: a later whole frame of each camera came.
    const std::uint32_t last = seen.Latest(kSilent) - 1;
    const std::uint32_t first = *seen.frameNumbers.at(kDropping).begin();
    const HalProbe::LossStatistics losses = LossesUpTo(seen, last);
    const ExpectedLoss expected = ExpectedDrops(seen, first, last);
    const HalProbe::LossCounts dropping = losses.Counts(kDropping, CameraStream::Combined);
    EXPECT_GT(expected.datagramsLost, 10u);
    EXPECT_EQ(dropping.datagramsLost, expected.datagramsLost);
    EXPECT_EQ(dropping.framesCutShort, expected.framesCutShort);
    EXPECT_EQ(dropping.missingFrames, expected.missingFrames);

    const HalProbe::LossCounts silent = losses.Counts(kSilent, CameraStream::Combined);
    EXPECT_GE(silent.longestGap, 900ms);
    EXPECT_GE(silent.missingFrames, 50u);
    EXPECT_EQ(silent.datagramsLost, 0u);
    EXPECT_GT(seen.Latest(kSilent), *silenceFrame + kFramesAfterSilence) << "it came back";

    const std::uint32_t common =
        std::max({*seen.frameNumbers.at(kMaster).begin(), *seen.frameNumbers.at(kNeighbour).begin(),
                  *seen.boxFrames.begin(), first});
    for (const std::uint32_t device : {kMaster, kNeighbour})
    {
        const HalProbe::LossCounts counts = losses.Counts(device, CameraStream::Combined);
        EXPECT_EQ(counts.incompleteFrames + counts.missingFrames + counts.datagramsLost, 0u)
            << "camera " << device;
        ExpectEveryFrame(seen.frameNumbers.at(device), common, last, "a camera without faults");
    }
    ExpectEveryFrame(seen.boxFrames, common, last, "the box");

    process->Signal(SIGINT);
    EXPECT_EQ(ExitCodeOf(process->WaitForExit(kGenerous)), 0) << process->Error();
}

// A command that cannot be used says why and how, and leaves the faults as they were.
TEST(Faults, ASessionRefusesFaultCommandsItCannotUseAndKeepsItsFaults)
{
    auto process = BriselTest::StartEmulator({"-synthcameras", "1"});
    auto camera = Session(9001);
    const std::string set = camera->Run("fault drop 0.25 seed 3", 2s);
    EXPECT_EQ(set, "drop 0.25 seed 3: 0 of 0 data datagrams dropped");
    const std::pair<const char*, const char*> cases[] = {
        {"fault drop 1.5", "the share to drop must lie between 0 and 1, not 1.5"},
        {"fault drop -0.1", "the share to drop must lie between 0 and 1, not -0.1"},
        {"fault drop nan", "the share to drop must lie between 0 and 1, not nan"},
        {"fault drop", "drop takes a share and optionally \"seed N\""},
        {"fault drop 0.1 seed", "drop takes a share and optionally \"seed N\""},
        {"fault drop 0.1 seed -4", "after the share only \"seed N\" may follow, N a whole number"},
        {"fault silence -5",
         "the time must be a whole number of milliseconds from 0 to 3600000, not -5"},
        {"fault delay 99999999999999999999",
         "the time must be a whole number of milliseconds from 0 to 3600000, not "
         "99999999999999999999"},
        {"fault mute 3600001",
         "the time must be a whole number of milliseconds from 0 to 3600000, not 3600001"},
        {"fault refuse", "refuse takes one time in milliseconds"},
        {"fault explode 3", "unknown fault explode"},
        {"fault off now", "off takes no more words"},
    };
    for (const auto& [command, why] : cases)
        EXPECT_EQ(camera->Run(command, 2s),
                  std::string("Fault not changed: ") + why + "\n" + FaultCommand::kUsage)
            << command;
    EXPECT_EQ(camera->Run("fault", 2s), set + "\n" + FaultCommand::kUsage);
    EXPECT_EQ(camera->Run("fault off", 2s), "no faults");
    process->Signal(SIGINT);
    EXPECT_EQ(ExitCodeOf(process->WaitForExit(kGenerous)), 0) << process->Error();
}

TEST(Faults, TheConsoleRefusesFaultOptionsItCannotUse)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-synthcameras", "1", "-fault", "drop 2"},
         "-fault \"drop 2\" cannot be used: the share to drop must lie between 0 and 1, not 2\n" +
             std::string(FaultCommand::kUsage) + "\n"},
        {{"-synthcameras", "1", "-faultports", "1"}, "-faultports needs a -fault to apply\n"},
        {{"-synthcameras", "1", "-fault", "mute 10", "-faultports", "1,x"},
         "-faultports must list device ports from 1 up, separated by commas, not 1,x\n"},
    };
    for (const auto& [arguments, error] : cases)
    {
        BriselTest::ChildProcess process(BRISELCL_PATH, arguments);
        EXPECT_EQ(ExitCodeOf(process.WaitForExit(kGenerous)), 1) << error;
        EXPECT_EQ(process.Error(), error);
    }
}

// The session that asks for a refusal is closed behind its reply, no session is served
// while the refusal lasts, and a new one is served when it ends, without a RESET.
TEST(Faults, ARefusedSessionClosesAndANewOneIsServedWhenTheRefusalEnds)
{
    auto process = BriselTest::StartEmulator({"-synthcameras", "1"});
    auto camera = Session(9001);
    EXPECT_EQ(camera->Run("fault refuse 1500", 2s).rfind("refuse ", 0), 0u);
    EXPECT_THROW(camera->Run("fault", 5s), HalProbe::ProbeError);
    EXPECT_THROW(HalProbe::CommandSession(BriselTest::kEmulatorAddress, 9001, 1s),
                 HalProbe::ProbeError);
    auto again = Session(9001);
    EXPECT_EQ(again->Run("fault", 2s).rfind("no faults\n", 0), 0u);
    process->Signal(SIGINT);
    EXPECT_EQ(ExitCodeOf(process->WaitForExit(kGenerous)), 0) << process->Error();
}

// A refusal and a delay of an hour do not hold up the stop: the console quits in order at
// once, and the datagrams still held back are dropped.
TEST(Faults, LongRefusalsAndDelaysDoNotHoldUpTheStop)
{
    auto process = BriselTest::StartEmulator(
        {"-synthcameras", "2", "-fault", "delay 3600000", "-faultports", "1"});
    HalProbe::CameraStreamListener cameras(kHalAddress, kDataPort, CameraStream::Centroid);
    auto delayed = Session(9001);
    auto refused = Session(9002);
    for (auto* session : {delayed.get(), refused.get()})
        BriselTest::PrepareToStream(*session, kDataPort);
    EXPECT_EQ(refused->Run("fault refuse 3600000", 2s).rfind("refuse ", 0), 0u);
    HalProbe::BroadcastSender hal(kHalAddress, BriselTest::kEmulatorAddress);
    hal.DataDisable(false);
    hal.Master(1, kRate);
    // The refused camera streams on; once it has sent frames, the delayed one has handed
    // the same frames to its delay line.
    std::optional<HalProbe::CameraFrame> frame;
    const auto deadline = std::chrono::steady_clock::now() + kGenerous;
    while (!frame || frame->deviceId != 2 || frame->frameNumber < 10)
    {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << process->Output();
        frame = cameras.NextFrame(1s);
        EXPECT_TRUE(!frame || frame->deviceId == 2) << "a delayed frame came on time";
    }
    process->Signal(SIGINT);
    EXPECT_EQ(ExitCodeOf(process->WaitForExit(kGenerous)), 0) << process->Error();
}
