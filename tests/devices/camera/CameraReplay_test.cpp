// Recorded cameras replaying a file written by our own writer, as the HAL sees them: every
// frame of every stream must carry exactly the file's items for file frame (HAL frame mod
// frame count), under each tracking mode and each grey mode; and a file or a HAL that
// misbehaves must not stop the rig.

#include "tests/devices/DeviceTestSupport.h"
#include "tests/devices/camera/CameraFrameWait.h"
#include "tests/devices/camera/ReplayExpectations.h"
#include "tests/support/TempDirectory.h"
#include "tools/halprobe/CameraStreamListener.h"

#include <algorithm>
#include <filesystem>
#include <functional>

using namespace std::chrono_literals;
using BriselTest::ExpectReplayedFrame;
using BriselTest::OpenSession;
using BriselTest::ReplayModes;
using BriselTest::TestRig;
using HalProbe::CameraStream;
using HalProbe::CameraStreamListener;
using QtTest::RunLoopUntil;

namespace
{
constexpr std::uint32_t kProtocol1Camera = 0x3000000; // camera 0 of the recording
constexpr std::uint32_t kProtocol2Camera = 0x2FFFFFF; // camera 1
constexpr double kRate = 500.0;
// What a wait may take on a loaded machine under a sanitizer; it only matters on failure.
constexpr std::chrono::seconds kSlowBuild{60};

class CameraReplayTest : public BriselTest::DeviceTest
{
protected:
    // Loads the recording and connects its cameras; data enabled, nothing streaming yet.
    void Load(const VX2DRecording& recording)
    {
        recording_ = recording;
        path_ = directory_.Path("trial.x2d");
        ASSERT_TRUE(WriteX2DRecording(path_, recording_));
        ASSERT_TRUE(rig_.Manager().LoadX2D(path_));
        for (unsigned i = 0; i < rig_.Manager().GetDeviceCount(); ++i)
            TestRig::Connect(*rig_.Manager().GetDevice(i));
        hal_.DataDisable(false);
    }

    // Opens camera `index`'s session, enables its data and gives it its data port.
    std::unique_ptr<HalProbe::CommandSession> Session(unsigned index, std::uint16_t dataPort)
    {
        auto session = OpenSession(static_cast<std::uint16_t>(9001 + index));
        session->ReadGreeting(2s);
        session->Run("datadisable false", 2s);
        session->Run("portset " + std::to_string(dataPort), 2s);
        return session;
    }

    // Loads the recording and gives camera 0 the data port 6000, camera 1 the data port 8000.
    void Serve(const VX2DRecording& recording)
    {
        Load(recording);
        sessions_.push_back(Session(0, 6000));
        sessions_.push_back(Session(1, 8000));
    }

    VFakeDevice& Camera(unsigned index) { return *rig_.Manager().GetDevice(index); }

    int CheckFrames(const std::vector<CameraStreamListener*>& listeners, const ReplayModes& modes,
                    int frames)
    {
        return BriselTest::ExpectReplayedFrames(recording_, listeners, modes, frames,
                                                [](const std::function<bool()>& condition)
                                                { return RunLoopUntil(condition, kSlowBuild); });
    }

    // Waits until both cameras produce under `modes`, then forgets what was sent before.
    void Switch(const ReplayModes& modes, std::vector<CameraStreamListener*> listeners)
    {
        for (unsigned i = 0; i < 2; ++i)
        {
            Camera(i).SetParameter("Tracking", modes.tracking);
            Camera(i).SetParameter("GreyMode", modes.greyMode);
            Camera(i).SetParameter("CoordMode", modes.coordMode);
        }
        ASSERT_TRUE(RunLoopUntil([&] { return Published(modes); }, kSlowBuild));
        // Two frame periods: frames begun under the old settings have gone out.
        RunLoopUntil([] { return false; }, 10ms);
        for (CameraStreamListener* listener : listeners)
            while (listener->NextEvent(1ms))
            {
            }
    }

    static std::optional<HalProbe::CameraFrame>
    NextFrameWhere(CameraStreamListener& listener,
                   const std::function<bool(const HalProbe::CameraFrame&)>& wanted)
    {
        return BriselTest::NextFrameWhere(listener, wanted, kSlowBuild);
    }

    bool Published(const ReplayModes& modes)
    {
        for (unsigned i = 0; i < 2; ++i)
        {
            std::string tracking, grey, coord;
            if (!Camera(i).GetParameter("Tracking", tracking) || tracking != modes.tracking ||
                !Camera(i).GetParameter("GreyMode", grey) || grey != modes.greyMode ||
                !Camera(i).GetParameter("CoordMode", coord) || coord != modes.coordMode)
                return false;
        }
        return true;
    }

    BriselTest::TempDirectory directory_;
    std::string path_;
    VX2DRecording recording_;
    std::vector<std::unique_ptr<HalProbe::CommandSession>> sessions_;
    CameraStreamListener centroids_{TestRig::kHal, 6000, CameraStream::Centroid};
    CameraStreamListener greyscale_{TestRig::kHal, 7000, CameraStream::Greyscale};
    CameraStreamListener combined_{TestRig::kHal, 13000, CameraStream::Combined};
};
} // namespace

TEST_F(CameraReplayTest, EveryFrameOfEveryStreamCarriesTheFilesItems)
{
    Serve(BriselTest::MakeTypedRecording({"LumeD", "SorrelMV"}, 20));
    ASSERT_EQ(rig_.Manager().GetDeviceCount(), 2u);
    EXPECT_EQ(Camera(0).GetDeviceID(), kProtocol1Camera);
    EXPECT_EQ(Camera(1).GetDeviceID(), kProtocol2Camera);
    const std::vector<CameraStreamListener*> all = {&centroids_, &greyscale_, &combined_};
    hal_.Master(kProtocol1Camera, kRate);

    EXPECT_GT(CheckFrames(all, ReplayModes(), 300), 3 * 280) << "all but the wraps of the file";
    for (const char* tracking : {"Off", "Read", "Generate"})
        for (const char* grey : {"none", "some", "only", "all"})
        {
            ReplayModes modes;
            modes.tracking = tracking;
            modes.greyMode = grey;
            modes.coordMode = grey == std::string("only") ? "none" : "some";
            SCOPED_TRACE(std::string(tracking) + ", " + grey);
            Switch(modes, all);
            EXPECT_GT(CheckFrames(all, modes, 25), 3 * 20);
        }
    for (CameraStreamListener* listener : all)
        EXPECT_TRUE(listener->FlushIncomplete().empty());
}

// A file without frames sends empty frames; one cut short while playing sends empty frames
// from then on; cameras whose type is unknown to the rig send nothing at all: in every case
// the rig keeps running and stops in order.
TEST_F(CameraReplayTest, FilesThatCannotFeedTheCamerasLeaveTheRigRunning)
{
    Serve(BriselTest::MakeTypedRecording({"LumeD", ""}, 40));
    EXPECT_NE(sessions_[1]->Run("info", 2s).find("Device Type : \n"), std::string::npos);
    hal_.Master(kProtocol2Camera, kRate);
    EXPECT_GT(CheckFrames({&centroids_}, ReplayModes(), 20), 10)
        << "the camera without type drives";

    std::filesystem::resize_file(path_, std::filesystem::file_size(path_) / 3);
    testing::internal::CaptureStderr();
    int withData = 0;
    for (int frame = 0; frame < 100; ++frame)
    {
        std::optional<HalProbe::CameraFrame> received;
        ASSERT_TRUE(RunLoopUntil([&] { return (received = centroids_.NextFrame(1ms)).has_value(); },
                                 kSlowBuild));
        withData += received->ItemCount() > 0 ? 1 : 0;
    }
    const std::string reported = testing::internal::GetCapturedStderr();
    EXPECT_LT(withData, 60) << "frames of the cut part go out empty";
    EXPECT_NE(reported.find("cannot be read, cameras send empty frames"), std::string::npos);
}

TEST_F(CameraReplayTest, FileWithoutFramesSendsEmptyFrames)
{
    Serve(BriselTest::MakeTypedRecording({"LumeD", "SorrelMV"}, 0));
    hal_.Master(kProtocol1Camera, kRate);
    EXPECT_EQ(CheckFrames({&centroids_, &combined_}, ReplayModes(), 20), 0);
}

TEST_F(CameraReplayTest, PortsetRepeatedWhileFramesRunStallsNoCamera)
{
    Serve(BriselTest::MakeTypedRecording({"LumeD", "SorrelMV"}, 20));
    hal_.Master(kProtocol2Camera, kRate);
    for (int i = 0; i < 200; ++i)
        sessions_[0]->SendRaw("portset 6000\n");
    EXPECT_GT(CheckFrames({&combined_}, ReplayModes(), 100), 50);
    EXPECT_EQ(sessions_[0]->Run("portset 6000", 5s), "") << "the session still answers";
}

TEST_F(CameraReplayTest, AJumpInTheFrameNumbersIsReportedByEveryCamera)
{
    Serve(BriselTest::MakeTypedRecording({"LumeD", "SorrelMV"}, 20));
    hal_.Master(kProtocol1Camera, kRate);
    ASSERT_TRUE(NextFrameWhere(centroids_, [](const auto&) { return true; }));
    testing::internal::CaptureStdout();
    hal_.Sync(100000);
    const auto jumped = [](const auto& f) { return f.frameNumber == 100000; };
    const auto frame = NextFrameWhere(centroids_, jumped);
    ASSERT_TRUE(frame);
    ASSERT_TRUE(NextFrameWhere(combined_, jumped)) << "the other camera's frame has gone out";
    std::fflush(stdout);
    const std::string log = testing::internal::GetCapturedStdout();
    const std::string jump = " frames between frame numbers " +
                             std::to_string(frame->previousFrameNumber) + " and 100000\n";
    for (const std::uint32_t camera : {kProtocol1Camera, kProtocol2Camera})
        EXPECT_NE(log.find("Device " + std::to_string(int(camera)) + " skipped " +
                           std::to_string(100000 - frame->previousFrameNumber) + jump),
                  std::string::npos)
            << log;
}

// A generated track lives across frames; a frame number that goes back starts tracking
// afresh: identifiers from the top of the range again, every track of age 1.
TEST_F(CameraReplayTest, GeneratedTracksStartAfreshWhenTheFrameNumberGoesBack)
{
    Serve(BriselTest::MakeTypedRecording({"LumeD", "SorrelMV"}, 20));
    Camera(0).SetParameter("Tracking", std::string("Generate"));
    hal_.Master(kProtocol1Camera, kRate);
    auto frame = NextFrameWhere(centroids_, [](const auto& f)
                                { return f.frameNumber > 5 && !f.tracks.empty(); });
    ASSERT_TRUE(frame);
    EXPECT_GT(frame->tracks[0].trackId, 0x8000000000000001ULL) << "identifiers went on counting";

    hal_.Sync(3);
    frame = NextFrameWhere(centroids_, [](const auto& f)
                           { return f.frameNumber == 3 && f.previousFrameNumber > 3; });
    ASSERT_TRUE(frame) << "the frame of the jump";
    EXPECT_TRUE(frame->tracks.empty());
    frame = NextFrameWhere(centroids_, [](const auto&) { return true; });
    ASSERT_TRUE(frame);
    ASSERT_EQ(frame->frameNumber, 4u);
    ASSERT_FALSE(frame->tracks.empty());
    for (std::size_t i = 0; i < frame->tracks.size(); ++i)
    {
        EXPECT_EQ(frame->tracks[i].trackId, 0x8000000000000000ULL + i);
        EXPECT_EQ(frame->tracks[i].value, 1) << "age";
    }
}
