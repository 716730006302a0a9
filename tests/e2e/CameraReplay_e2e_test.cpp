// The real briselCL replaying a recording made by our own writer, driven as the HAL drives
// it: the cameras announce themselves with the file's identifiers, answer "info", take
// "notify" and "portset", and once one of them is master every frame of every stream
// carries the file's items. And what the console says of trial files it cannot use.

#include "tests/devices/camera/ReplayExpectations.h"
#include "tests/e2e/EmulatorSession.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDirectory.h"
#include "tools/halprobe/AnnouncementListener.h"
#include "tools/halprobe/BroadcastSender.h"
#include "tools/halprobe/CameraStreamListener.h"
#include "tools/halprobe/CommandSession.h"
#include "tools/halprobe/ProbeError.h"

#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <thread>

using namespace std::chrono_literals;
using BriselTest::ChildProcess;
using BriselTest::ExitCodeOf;
using HalProbe::CameraStream;
using HalProbe::CameraStreamListener;

namespace
{
using BriselTest::kGenerous;
using BriselTest::kHalAddress;
using BriselTest::Session;

std::unique_ptr<ChildProcess> StartWith(const std::string& x2d)
{
    return BriselTest::StartEmulator({"-x2d", x2d});
}

bool WaitUntil(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + kGenerous;
    while (!condition())
    {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

int CheckFrames(const VX2DRecording& recording, std::vector<CameraStreamListener*> listeners,
                const BriselTest::ReplayModes& modes, int frames)
{
    return BriselTest::ExpectReplayedFrames(recording, listeners, modes, frames, WaitUntil);
}
} // namespace

TEST(CameraReplay, CamerasReplayTheRecordingToTheHal)
{
    BriselTest::TempDirectory directory;
    const VX2DRecording recording = BriselTest::MakeTypedRecording({"LumeD", "SorrelMV"}, 20);
    const std::string path = directory.Path("trial.x2d");
    ASSERT_TRUE(WriteX2DRecording(path, recording));
    HalProbe::AnnouncementListener announcements(kHalAddress);
    auto process = StartWith(path);

    std::set<std::uint32_t> awake;
    while (awake.size() < 2)
    {
        const auto announcement = announcements.Receive(5s);
        ASSERT_TRUE(announcement) << process->Output();
        if (announcement->kind == HalProbe::Announcement::Kind::Awake)
            awake.insert(announcement->deviceId);
    }
    EXPECT_EQ(awake, (std::set<std::uint32_t>{0x3000000, 0x2FFFFFF}));

    auto first = Session(9001);
    auto second = Session(9002);
    EXPECT_NE(first->Run("info", 2s).find("Device Type : LumeD\n"), std::string::npos);
    EXPECT_NE(second->Run("info", 2s).find("Stream : V2 6000 4096 Centroids Greyscale\n"),
              std::string::npos);
    for (auto* session : {first.get(), second.get()})
    {
        session->Run("notify a 5000 b 7", 2s);
        session->Run("datadisable false", 2s);
    }
    first->Run("portset 6000", 2s);
    second->Run("portset 8000", 2s);
    CameraStreamListener centroids(kHalAddress, 6000, CameraStream::Centroid);
    CameraStreamListener greyscale(kHalAddress, 7000, CameraStream::Greyscale);
    CameraStreamListener combined(kHalAddress, 13000, CameraStream::Combined);
    HalProbe::BroadcastSender hal(kHalAddress, BriselTest::kEmulatorAddress);
    hal.DataDisable(false);
    hal.Master(0x3000000, 100.0);

    BriselTest::ReplayModes modes;
    EXPECT_GT(CheckFrames(recording, {&centroids, &greyscale, &combined}, modes, 300), 750);

    modes.greyMode = "some";
    first->Run("greymode some", 2s);
    second->Run("greymode some", 2s);
    // The grey mode reaches the frames after the command: skip what was sent before it.
    for (CameraStreamListener* listener : {&greyscale, &combined})
        while (listener->NextEvent(1ms))
        {
        }
    for (int frame = 0; frame < 5; ++frame)
        for (CameraStreamListener* listener : {&greyscale, &combined})
            listener->NextFrame(1s);
    EXPECT_GT(CheckFrames(recording, {&greyscale, &combined}, modes, 50), 80);

    process->Signal(SIGINT);
    EXPECT_EQ(ExitCodeOf(process->WaitForExit(kGenerous)), 0) << process->Error();
}

TEST(CameraReplay, TrialFilesThatCannotBeUsedAreNamedWithTheReason)
{
    BriselTest::TempDirectory directory;
    auto missing = StartWith(directory.Path("missing.x2d"));
    EXPECT_TRUE(missing->WaitForError(
        "X2D file \"" + directory.Path("missing.x2d") + "\" cannot be used: ", kGenerous));
    EXPECT_TRUE(
        missing->WaitForError("No trial file gave any device: nothing is emulated.\n", kGenerous))
        << missing->Error();
    missing->Signal(SIGINT);
    EXPECT_EQ(ExitCodeOf(missing->WaitForExit(kGenerous)), 0);

    auto folder = StartWith(directory.Path());
    EXPECT_TRUE(folder->WaitForError("cannot be used: ", kGenerous)) << folder->Error();
    folder->Signal(SIGINT);
    EXPECT_EQ(ExitCodeOf(folder->WaitForExit(kGenerous)), 0);
}
