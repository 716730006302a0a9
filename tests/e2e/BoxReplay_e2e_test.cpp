// The real briselCL replaying recordings as network boxes, driven as the HAL drives them: the
// boxes of an X1D file announce themselves, answer "info", take the rate and channels the HAL
// sets and, with a box as sync master, send every frame's samples resampled from the file;
// the box of an X2D file with a start timecode counts on from it; and a rig of cameras and
// boxes runs every frame in order from a box's clock.

#include "FileIO/X1DExport.h"
#include "tests/FileIO/X1DTestFiles.h"
#include "tests/FileIO/X2DIO/X2DTestFiles.h"
#include "tests/devices/camera/ReplayExpectations.h"
#include "tests/e2e/EmulatorSession.h"
#include "tests/support/TempDirectory.h"
#include "tools/halprobe/AnalogueStreamListener.h"
#include "tools/halprobe/AnnouncementListener.h"
#include "tools/halprobe/BroadcastSender.h"
#include "tools/halprobe/CameraStreamListener.h"
#include "tools/halprobe/DataPortListener.h"

#include <arpa/inet.h>
#include <csignal>
#include <functional>
#include <set>

using namespace std::chrono_literals;
using BriselTest::ChildProcess;
using BriselTest::ExitCodeOf;
using BriselTest::kGenerous;
using BriselTest::kHalAddress;
using BriselTest::Session;

namespace
{
constexpr std::uint32_t kFirstBox = 0x02000001;
constexpr std::uint32_t kSecondBox = 0x02000002;
constexpr std::uint32_t kStoredValuesPerChannel = 100;
constexpr std::uint32_t kRecordedChannels = 4;
constexpr std::uint32_t kStoredFrames = 7;

// Value `position` of channel `channel` in stored frame `frame`: every value differs, and
// the values rise and fall so the interpolation meets both slopes.
std::uint16_t StoredValue(std::uint32_t frame, std::uint32_t channel, std::uint32_t position)
{
    return std::uint16_t(frame * 5003 + channel * 1009 + (position % 17) * 211 + position * 3);
}

VAnalogueBlockFrame StoredFrame(std::uint32_t frame)
{
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t channel = 0; channel < kRecordedChannels; ++channel)
        for (std::uint32_t position = 0; position < kStoredValuesPerChannel; ++position)
        {
            const std::uint16_t value = StoredValue(frame, channel, position);
            bytes.push_back(std::uint8_t(value));
            bytes.push_back(std::uint8_t(value >> 8));
        }
    VAnalogueBlockFrame stored;
    stored.Resize(2);
    stored.GetSet(0).Append(MakeAnalogueBlockView(bytes));
    return stored;
}

// Device 0 records channels 0-3; device 1 names two channels but has no block in any frame.
VX1DRecording MakeAnalogueRecording()
{
    VAnalogueSourceSetSpec recorded, silent;
    recorded.identifier = 1;
    for (std::int32_t source = 1; source <= std::int32_t(kRecordedChannels); ++source)
        recorded.sources.push_back({source});
    silent.identifier = 2;
    silent.sources = {{1}, {2}};
    VX1DRecording recording;
    recording.header.SetSourceSets({recorded, silent});
    for (std::uint32_t frame = 0; frame < kStoredFrames; ++frame)
    {
        recording.frameNumbers.push_back(std::int32_t(frame));
        recording.frames.push_back(StoredFrame(frame));
    }
    return recording;
}

// Sample `sample` of `samples` of a recorded channel in frame `frame`: the stored values
// interpolated linearly, the channel's last value leaning on its first in the next frame.
std::uint16_t ExpectedSample(std::uint32_t frame, std::uint32_t channel, std::uint32_t sample,
                             std::uint32_t samples)
{
    const std::uint32_t stored = frame % kStoredFrames, next = (frame + 1) % kStoredFrames;
    const double e = double(sample) * double(kStoredValuesPerChannel) / double(samples);
    const auto f = std::uint32_t(e);
    const double g = StoredValue(stored, channel, f);
    const double h = f + 1 < kStoredValuesPerChannel ? StoredValue(stored, channel, f + 1)
                                                     : StoredValue(next, channel, 0);
    return std::uint16_t(std::int32_t((h - g) * (e - f) + g));
}

void ExpectReplayedSamples(const HalProbe::AnalogueFrame& frame, std::uint32_t samples)
{
    const std::vector<unsigned> channels = frame.record.Channels();
    SCOPED_TRACE("frame " + std::to_string(frame.record.frameNumber));
    ASSERT_EQ(frame.SampleCount(), samples);
    for (std::size_t position = 0; position < channels.size(); ++position)
    {
        const std::vector<std::uint16_t> values = frame.ChannelValues(position);
        for (std::uint32_t sample = 0; sample < samples; ++sample)
        {
            const std::uint16_t expected =
                channels[position] < kRecordedChannels
                    ? ExpectedSample(frame.record.frameNumber, channels[position], sample, samples)
                    : 0;
            if (values[sample] != expected)
                return ADD_FAILURE() << "channel " << channels[position] << " sample " << sample
                                     << ": " << values[sample] << " instead of " << expected;
        }
    }
}

std::set<std::uint32_t> AwakeDevices(HalProbe::AnnouncementListener& announcements,
                                     std::size_t count)
{
    std::set<std::uint32_t> awake;
    const auto deadline = std::chrono::steady_clock::now() + kGenerous;
    while (awake.size() < count && std::chrono::steady_clock::now() < deadline)
        if (const auto announcement = announcements.Receive(1s))
            if (announcement->kind == HalProbe::Announcement::Kind::Awake)
                awake.insert(announcement->deviceId);
    return awake;
}

// "notify" to the data port 5000 with tag 7, then data on.
void Prepare(HalProbe::CommandSession& session)
{
    session.Run("notify a 5000 b 7", 2s);
    session.Run("datadisable false", 2s);
}

// Waits until the box's rate query answers `reply`: settings from the session take effect
// on the emulator's main thread.
bool RateBecomes(HalProbe::CommandSession& session, const std::string& reply)
{
    const auto deadline = std::chrono::steady_clock::now() + kGenerous;
    while (session.Run("samplerate", 2s) != reply)
        if (std::chrono::steady_clock::now() > deadline)
            return false;
    return true;
}

std::optional<HalProbe::TimecodeStatus> NextTimecodeStatus(HalProbe::DataPortListener& data,
                                                           std::chrono::milliseconds timeout = 2s)
{
    while (const auto record = data.Receive(timeout))
        if (const auto* status = std::get_if<HalProbe::TimecodeStatus>(&record->body))
            return *status;
    return std::nullopt;
}

// The frame numbers a stream's frames carry, this one's and the one before it.
struct FrameNumbers
{
    std::uint32_t current;
    std::uint32_t previous;
};

// Reads several streams side by side until each has given `frames` frames, so no socket
// fills while another is read, and checks every stream's numbers run on one by one.
class InOrderCheck
{
public:
    using Next = std::function<std::optional<FrameNumbers>(std::chrono::milliseconds)>;

    void Add(std::string name, Next next) { streams_.push_back({std::move(name), next, {}}); }

    void Run(std::size_t frames)
    {
        const auto deadline = std::chrono::steady_clock::now() + kGenerous;
        while (!Done(frames) && std::chrono::steady_clock::now() < deadline)
            for (Stream& stream : streams_)
                if (stream.seen.size() < frames)
                    if (const auto numbers = stream.next(2ms))
                        stream.seen.push_back(*numbers);
        for (const Stream& stream : streams_)
        {
            ASSERT_EQ(stream.seen.size(), frames) << stream.name;
            // A clock's first frame has no frame before it.
            for (std::size_t i = 1; i < frames; ++i)
            {
                EXPECT_EQ(stream.seen[i].previous + 1, stream.seen[i].current) << stream.name;
                EXPECT_EQ(stream.seen[i].current, stream.seen[i - 1].current + 1) << stream.name;
            }
        }
    }

private:
    struct Stream
    {
        std::string name;
        Next next;
        std::vector<FrameNumbers> seen;
    };

    bool Done(std::size_t frames) const
    {
        for (const Stream& stream : streams_)
            if (stream.seen.size() < frames)
                return false;
        return true;
    }

    std::vector<Stream> streams_;
};

void Stop(ChildProcess& process)
{
    process.Signal(SIGINT);
    EXPECT_EQ(ExitCodeOf(process.WaitForExit(kGenerous)), 0) << process.Error();
}
} // namespace

// 135 MHz / (5 × 900) = 30000 Hz at 100 Hz frames: 300 samples of channels 0-3 (the rate's
// four) and 7 (not recorded: zeros), 1500 values a frame in datagrams of 700, 700 and 100.
TEST(BoxReplay, X1DBoxesReplayTheRecordedSamplesAtTheRateTheHalSets)
{
    BriselTest::TempDirectory directory;
    const std::string path = directory.Path("trial.x1d");
    ASSERT_TRUE(WriteRecording(path, MakeAnalogueRecording()));
    HalProbe::AnnouncementListener announcements(kHalAddress);
    auto process = BriselTest::StartEmulator({"-x1d", path});
    EXPECT_EQ(AwakeDevices(announcements, 2), (std::set<std::uint32_t>{kFirstBox, kSecondBox}));

    auto first = Session(9001);
    auto second = Session(9002);
    const std::string info = first->Run("info", 2s);
    EXPECT_EQ(info.rfind("Display Device Type : LUME Gridlark\nDevice Type : Gridlark\n"
                         "Device ID : 33554433\nSlot1 : Analogue\n",
                         0),
              0u)
        << info;
    EXPECT_NE(second->Run("info", 2s).find("Device ID : 33554434\n"), std::string::npos);
    first->Run("anactl -c 7 on", 2s);
    first->Run("samplerate -s 0 5 900", 2s);
    ASSERT_TRUE(RateBecomes(*first, "30000.000000\r\n"));
    Prepare(*first);
    Prepare(*second);
    first->Run("portset 6000", 2s);
    second->Run("portset 6100", 2s);
    HalProbe::AnalogueStreamListener recorded(kHalAddress, 6000);
    HalProbe::AnalogueStreamListener silent(kHalAddress, 6100);
    HalProbe::BroadcastSender hal(kHalAddress, BriselTest::kEmulatorAddress);
    hal.DataDisable(false);
    hal.Master(kFirstBox, 100.0);

    std::optional<HalProbe::AnalogueFrame> previous;
    for (int count = 0; count < 150; ++count)
    {
        const auto frame = recorded.NextFrame(5s);
        ASSERT_TRUE(frame) << process->Output();
        EXPECT_EQ(frame->record.deviceId, kFirstBox);
        EXPECT_EQ(frame->record.channelMask, 0x8Fu);
        EXPECT_EQ(frame->datagramSizes, (std::vector<std::size_t>{1400, 1400, 200}));
        ExpectReplayedSamples(*frame, 300);
        if (previous)
        {
            EXPECT_EQ(frame->record.frameNumber, previous->record.frameNumber + 1);
            EXPECT_EQ(frame->record.previousFrameNumber, previous->record.frameNumber);
            EXPECT_EQ(frame->record.runningTotal, previous->record.runningTotal + 1500);
        }
        previous = frame;
    }
    EXPECT_FALSE(silent.NextEvent(200ms)) << "a device without data gets no source";

    // After a reset the box streams nowhere until the HAL gives it a port again.
    hal.Reset(kFirstBox);
    while (recorded.NextEvent(300ms))
    {
    }
    EXPECT_FALSE(recorded.NextEvent(500ms));
    Stop(*process);
}

// 10:00:00:00 at 30 timecode frames a second and a 120 Hz system rate: four system frames
// per timecode frame, the record of frame F naming timecode frame F / 4 and position F % 4.
TEST(BoxReplay, X2DBoxCountsOnFromTheRecordedStartTimecode)
{
    BriselTest::TempDirectory directory;
    VX2DRecording recording = BriselTest::MakeTypedRecording({"LumeD"}, 10);
    recording.header.frameRate = 120.0;
    recording.header.startTimecode = "10 0 0 0 0 0 1 1";
    const std::string path = directory.Path("trial.x2d");
    ASSERT_TRUE(WriteX2DRecording(path, recording));
    HalProbe::AnnouncementListener announcements(kHalAddress);
    auto process = BriselTest::StartEmulator({"-x2d", path});
    EXPECT_EQ(AwakeDevices(announcements, 2), (std::set<std::uint32_t>{0x3000000, kSecondBox}))
        << "the box comes after the camera";

    auto box = Session(9002);
    const std::string info = box->Run("info", 2s);
    EXPECT_NE(info.find("Slot1 : Analogue\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Timecode Source : Internal PAL NTSC NTSC_DROP FILM\n"
                        "Genlock Source : Internal PAL NTSC FILM24 FILM23.976\n"),
              std::string::npos)
        << info;
    HalProbe::DataPortListener data(kHalAddress, 5000);
    Prepare(*box);
    EXPECT_TRUE(NextTimecodeStatus(data)) << "notify reports the standard";
    EXPECT_EQ(box->Run("tcctl -e on", 2s), "");
    const auto status = NextTimecodeStatus(data);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->standardWord, HalProbe::TimecodeStatus::k30);
    EXPECT_EQ(box->Run("tcctl -e off", 2s), "");
    EXPECT_FALSE(NextTimecodeStatus(data, 300ms));

    box->Run("portset 6000", 2s);
    HalProbe::DataPortListener timecode(kHalAddress, 8000);
    HalProbe::BroadcastSender hal(kHalAddress, BriselTest::kEmulatorAddress);
    hal.DataDisable(false);
    hal.Master(kSecondBox, 120.0);
    for (int count = 0; count < 100; ++count)
    {
        const auto record = timecode.Receive(5s);
        ASSERT_TRUE(record) << process->Output();
        const auto* tc = std::get_if<HalProbe::TimecodeRecord>(&record->body);
        ASSERT_TRUE(tc) << record->problem;
        const std::uint32_t timecodeFrame = tc->frameNumber / 4;
        SCOPED_TRACE("frame " + std::to_string(tc->frameNumber));
        EXPECT_EQ(tc->deviceId, kSecondBox);
        EXPECT_EQ(tc->hours * 3600 + tc->minutes * 60 + tc->seconds, 36000 + timecodeFrame / 30);
        EXPECT_EQ(tc->frames, timecodeFrame % 30);
        EXPECT_EQ(tc->subframe, tc->frameNumber % 4);
        EXPECT_EQ(tc->pastHalf, tc->frameNumber % 4 == 3);
        EXPECT_EQ(tc->systemFramesPerFrame, 4);
        EXPECT_EQ(tc->rateCode, HalProbe::TimecodeRecord::kRate30);
    }
    Stop(*process);
}

// Boxes from an X1D file before the cameras of an X2D file; the second box is master.
TEST(BoxReplay, MixedRigRunsEveryFrameInOrderFromABox)
{
    BriselTest::TempDirectory directory;
    const std::string x1d = directory.Path("trial.x1d"), x2d = directory.Path("trial.x2d");
    ASSERT_TRUE(WriteRecording(x1d, MakeAnalogueRecording()));
    ASSERT_TRUE(WriteX2DRecording(x2d, BriselTest::MakeTypedRecording({"LumeD", "LumeD"}, 20)));
    auto process = BriselTest::StartEmulator({"-x1d", x1d, "-x2d", x2d});
    const std::pair<std::uint16_t, std::uint16_t> sessionsAndPorts[] = {
        {9001, 6000}, {9003, 7000}, {9004, 10000}};
    std::vector<std::unique_ptr<HalProbe::CommandSession>> sessions;
    for (const auto& [session, port] : sessionsAndPorts)
    {
        sessions.push_back(Session(session));
        Prepare(*sessions.back());
        sessions.back()->Run("portset " + std::to_string(port), 2s);
    }
    HalProbe::AnalogueStreamListener analogue(kHalAddress, 6000);
    HalProbe::CameraStreamListener first(kHalAddress, 7000, HalProbe::CameraStream::Centroid);
    HalProbe::CameraStreamListener second(kHalAddress, 10000, HalProbe::CameraStream::Centroid);
    HalProbe::BroadcastSender hal(kHalAddress, BriselTest::kEmulatorAddress);
    hal.DataDisable(false);
    hal.Master(kSecondBox, 200.0);

    InOrderCheck check;
    check.Add(
        "box",
        [&](std::chrono::milliseconds timeout) -> std::optional<FrameNumbers>
        {
            if (const auto frame = analogue.NextFrame(timeout))
                return FrameNumbers{frame->record.frameNumber, frame->record.previousFrameNumber};
            return std::nullopt;
        });
    for (HalProbe::CameraStreamListener* camera : {&first, &second})
        check.Add("camera on " + std::to_string(ntohs(camera->LocalEndpoint().sin_port)),
                  [camera](std::chrono::milliseconds timeout) -> std::optional<FrameNumbers>
                  {
                      if (const auto frame = camera->NextFrame(timeout))
                          return FrameNumbers{frame->frameNumber, frame->previousFrameNumber};
                      return std::nullopt;
                  });
    check.Run(400);
    Stop(*process);
}

TEST(BoxReplay, AnX1DFileThatCannotBeUsedIsNamedWithTheReason)
{
    BriselTest::TempDirectory directory;
    const std::string path = directory.Path("missing.x1d");
    auto process = BriselTest::StartEmulator({"-x1d", path});
    EXPECT_TRUE(process->WaitForError("X1D file \"" + path + "\" cannot be used: ", kGenerous))
        << process->Error();
    EXPECT_TRUE(
        process->WaitForError("No trial file gave any device: nothing is emulated.\n", kGenerous))
        << process->Error();
    Stop(*process);
}
