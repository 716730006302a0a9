// The sync master's frame clock as the HAL sees it: new frame numbers take effect at a
// frame boundary for every device alike, one master drives the devices, and a pause does
// not turn into a burst of frames.

#include "tests/devices/DeviceTestSupport.h"
#include "tools/halprobe/BroadcastSender.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <regex>
#include <thread>

using namespace std::chrono_literals;
using BriselTest::OpenSession;
using BriselTest::ParameterBecomes;
using BriselTest::TestDevice;
using BriselTest::TestRig;
using QtTest::RunLoopUntil;

namespace
{
constexpr double kRate = 100.0;

bool Contains(const std::vector<std::int32_t>& frames, std::int32_t frame)
{
    return std::find(frames.begin(), frames.end(), frame) != frames.end();
}

// The frame numbers of every "Broadcasting sync" line, in order.
std::vector<int> AnnouncedSyncs(const std::string& log)
{
    static const std::regex line(R"(Broadcasting sync at (-?\d+) frames)");
    std::vector<int> frames;
    for (auto m = std::sregex_iterator(log.begin(), log.end(), line); m != std::sregex_iterator();
         ++m)
        frames.push_back(std::stoi((*m)[1]));
    return frames;
}

class FrameClockTest : public BriselTest::DeviceTest
{
protected:
    // A master whose own frame takes most of its period, and one slave; frames running.
    void StartSlowMaster()
    {
        master_ = &ConnectedDevice();
        slave_ = &ConnectedDevice();
        master_->onFrame = [this](TestDevice&)
        {
            masterInFrame_ = true;
            std::this_thread::sleep_for(7ms);
            masterInFrame_ = false;
        };
        hal_.Master(kBox1, kRate);
        ASSERT_TRUE(RunLoopUntil([&] { return slave_->Frames().size() >= 3; }));
    }

    void StopFrames()
    {
        hal_.Master(0xFFFFFFFF, kRate);
        ASSERT_TRUE(ParameterBecomes(*master_, "SyncMode", 3));
    }

    // Every frame of the run carries the same number on the master as on the slave.
    void ExpectLockStep()
    {
        const auto masterFrames = master_->Frames();
        const auto slaveFrames = slave_->Frames();
        ASSERT_EQ(masterFrames.size(), slaveFrames.size());
        for (std::size_t i = 0; i < masterFrames.size(); ++i)
            ASSERT_EQ(masterFrames[i], slaveFrames[i]) << "frame " << i;
    }

    TestDevice* master_ = nullptr;
    TestDevice* slave_ = nullptr;
    std::atomic<bool> masterInFrame_{false};
};
} // namespace

TEST_F(FrameClockTest, FrameNumberFromTheHalTakesEffectAtTheNextBoundaryForEveryDevice)
{
    StartSlowMaster();
    testing::internal::CaptureStdout();
    for (const std::int32_t frame : {1000, 2000, 3000, 4000, 5000})
    {
        // Sent while the master is in the middle of its own frame.
        ASSERT_TRUE(RunLoopUntil([&] { return masterInFrame_.load(); }));
        hal_.FrameNumber(frame);
        ASSERT_TRUE(RunLoopUntil([&] { return Contains(slave_->Frames(), frame + 2); }));
    }
    // Before the frames stop: the MASTER broadcast that stops them asks for one more sync.
    std::fflush(stdout);
    const std::string log = testing::internal::GetCapturedStdout();
    StopFrames();
    EXPECT_EQ(AnnouncedSyncs(log), (std::vector<int>{1000, 2000, 3000, 4000, 5000})) << log;
    ExpectLockStep();
    const auto frames = master_->Frames();
    const auto at = std::find(frames.begin(), frames.end(), 1000);
    ASSERT_NE(at, frames.end());
    for (auto next = at + 1; next != frames.end(); ++next)
        EXPECT_TRUE(*next == *(next - 1) + 1 || *next % 1000 == 0) << *next;
}

TEST_F(FrameClockTest, EverySetframeRestartsTheNumberingEvenWithTheSameNumber)
{
    StartSlowMaster();
    auto session = OpenSession(9001);
    session->ReadGreeting(2s);
    testing::internal::CaptureStdout();
    for (int round = 1; round <= 3; ++round)
    {
        EXPECT_EQ(session->Run("setframe 500", 2s), "");
        ASSERT_TRUE(RunLoopUntil(
            [&]
            {
                const auto frames = master_->Frames();
                return std::count(frames.begin(), frames.end(), 502) == round;
            }))
            << "round " << round;
    }
    // Before the frames stop: the MASTER broadcast that stops them asks for one more sync.
    std::fflush(stdout);
    const std::string log = testing::internal::GetCapturedStdout();
    StopFrames();
    EXPECT_EQ(AnnouncedSyncs(log), (std::vector<int>{500, 500, 500})) << log;
    ExpectLockStep();
}

TEST_F(FrameClockTest, NewestMasterTakesOverAndNoDeviceEverProducesTwiceAtOnce)
{
    std::vector<TestDevice*> devices;
    std::atomic<int> overlaps{0};
    for (int i = 0; i < 3; ++i)
    {
        devices.push_back(&ConnectedDevice());
        auto inFrame = std::make_shared<std::atomic<int>>(0);
        devices.back()->onFrame = [inFrame, &overlaps](TestDevice&)
        {
            if (++*inFrame > 1)
                ++overlaps;
            std::this_thread::sleep_for(1ms);
            --*inFrame;
        };
    }
    auto first = OpenSession(9001);
    auto second = OpenSession(9002);
    first->ReadGreeting(2s);
    second->ReadGreeting(2s);
    first->Run("syncmode master", 2s);
    ASSERT_TRUE(RunLoopUntil([&] { return devices[2]->Frames().size() >= 20; }));
    second->Run("syncmode master", 2s);
    ASSERT_TRUE(ParameterBecomes(*devices[1], "SyncMode", 2));
    EXPECT_TRUE(ParameterBecomes(*devices[0], "SyncMode", 0)) << "the old master steps down";
    const std::size_t before = devices[0]->Frames().size();
    ASSERT_TRUE(RunLoopUntil([&] { return devices[0]->Frames().size() >= before + 50; }));
    second->Run("syncmode freerun", 2s);
    ASSERT_TRUE(ParameterBecomes(*devices[1], "SyncMode", 3));
    EXPECT_EQ(overlaps.load(), 0);
    for (TestDevice* device : devices)
    {
        const auto frames = device->Frames();
        for (std::size_t i = 1; i < frames.size(); ++i)
            ASSERT_EQ(frames[i], frames[i - 1] + 1) << "one step per frame";
    }
}

TEST_F(FrameClockTest, FramesResumeAtTheRateAfterAPauseInsteadOfCatchingUp)
{
    TestDevice& master = ConnectedDevice();
    std::mutex mutex;
    std::vector<std::chrono::steady_clock::time_point> starts;
    master.onFrame = [&](TestDevice&)
    {
        std::lock_guard<std::mutex> lock(mutex);
        starts.push_back(std::chrono::steady_clock::now());
    };
    master.SetParameter("SystemFrameRate", kRate);
    master.SetParameter("SyncMode", 2);
    ASSERT_TRUE(RunLoopUntil([&] { return master.Frames().size() >= 10; }));
    master.SetParameter("SystemFrameRate", 0.0);
    ASSERT_TRUE(RunLoopUntil([&] { return master.GetSystemFrameRate() == 0.0; }));
    const std::size_t paused = master.Frames().size();
    EXPECT_FALSE(RunLoopUntil([&] { return master.Frames().size() > paused + 1; }, 1s));

    const std::size_t resumedAt = master.Frames().size();
    master.SetParameter("SystemFrameRate", kRate);
    ASSERT_TRUE(RunLoopUntil([&] { return master.Frames().size() >= resumedAt + 30; }));
    std::lock_guard<std::mutex> lock(mutex);
    const auto firstAfter = starts[resumedAt];
    const auto burst = std::count_if(starts.begin() + resumedAt, starts.end(),
                                     [&](auto start) { return start - firstAfter < 150ms; });
    // At the rate, 16 frames start in those 150 ms; catching up on the pause, 100 would.
    EXPECT_LE(burst, 30);
}
