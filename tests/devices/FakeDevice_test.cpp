// Devices of the test class on real loopback sockets, driven as the HAL drives them: over
// their command sessions, with broadcast commands, and by their announcements.

#include "tests/devices/DeviceTestSupport.h"
#include "tests/support/QtTestLoop.h"
#include "tools/halprobe/AnnouncementListener.h"
#include "tools/halprobe/BroadcastSender.h"
#include "tools/halprobe/CommandSession.h"
#include "tools/halprobe/DataPortListener.h"
#include "tools/halprobe/ProbeError.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using BriselTest::NextRecord;
using BriselTest::OpenSession;
using BriselTest::ParameterBecomes;
using BriselTest::TestDevice;
using BriselTest::TestRig;
using QtTest::RunLoopUntil;

namespace
{
// Two thousand device lives take a while on a loaded machine or under a sanitizer.
constexpr std::chrono::seconds kSettleTimeout{60};

using FakeDeviceTest = BriselTest::DeviceTest;
} // namespace

TEST_F(FakeDeviceTest, ConstructionPublishesIdentityAndDefaults)
{
    TestDevice& device = rig_.AddDevice();
    std::string text;
    int number = 0;
    double rate = 0;
    EXPECT_TRUE(device.GetParameter("LocalIP", text));
    EXPECT_EQ(text, "127.0.0.1");
    EXPECT_TRUE(device.GetParameter("RemoteIP", text));
    EXPECT_EQ(text, "127.0.0.2");
    EXPECT_TRUE(device.GetParameter("DeviceID", number));
    EXPECT_EQ(number, 0x02000001);
    EXPECT_TRUE(device.GetParameter("Port", number));
    EXPECT_EQ(number, 1);
    EXPECT_TRUE(device.GetParameter("SystemFrameRate", rate));
    EXPECT_EQ(rate, 50.0);
    EXPECT_EQ(device.GetSyncMode(), 3);
    EXPECT_TRUE(device.GetParameter("FirmwareVersion", number));
    EXPECT_EQ(number, 82);
    EXPECT_FALSE(device.GetParameter("NoSuchParameter", number));
    EXPECT_FALSE(device.GetParameter("LocalIP", number)) << "text is not an int";
    EXPECT_FALSE(device.IsConnected());
}

TEST_F(FakeDeviceTest, SessionGreetsOnceAndServesOneClientPerDeviceLife)
{
    TestDevice& device = ConnectedDevice();
    auto session = OpenSession(9001);
    EXPECT_EQ(session->ReadGreeting(2s), "FakeLumeDevice");
    EXPECT_THROW(HalProbe::CommandSession(TestRig::kLocal, 9001, 500ms), HalProbe::ProbeError)
        << "a second client is not served";
    EXPECT_EQ(device.Events(), (std::vector<std::string>{"connected"}));
    EXPECT_TRUE(device.GetParamList().FindParam(VStringStd("DeviceID"))->IsReadOnly());
}

TEST_F(FakeDeviceTest, BaseCommandsChangeTheDevice)
{
    TestDevice& device = ConnectedDevice();
    auto session = OpenSession(9001);
    session->ReadGreeting(2s);
    session->SendRaw("syncmode master\r\n");
    EXPECT_EQ(session->ReadUntilPrompt(2s), "") << "answered with the bare prompt";
    EXPECT_TRUE(ParameterBecomes(device, "SyncMode", 2));
    EXPECT_EQ(session->Run("syncmode -g slave", 2s), "");
    EXPECT_TRUE(ParameterBecomes(device, "SyncMode", 0));
    EXPECT_EQ(session->Run("syncmode sideways", 2s), "");
    EXPECT_EQ(session->Run("datadisable false", 2s), "");
    EXPECT_TRUE(ParameterBecomes(device, "Enabled", true));
    for (const char* off : {"datadisable true", "datadisable", "datadisable FALSE"})
    {
        session->Run("datadisable false", 2s);
        EXPECT_TRUE(ParameterBecomes(device, "Enabled", true));
        session->Run(off, 2s);
        EXPECT_TRUE(ParameterBecomes(device, "Enabled", false)) << off;
    }
    EXPECT_EQ(session->Run("setframe 10", 2s), "");
    EXPECT_TRUE(ParameterBecomes(device, "FrameNumber", 10));
    EXPECT_EQ(session->Run("portset 5000", 2s), "");
    EXPECT_EQ(session->Run("portsetfoo 5", 2s), "") << "keywords match as prefixes";
    EXPECT_EQ(session->Run("portset", 2s), "") << "no number: ignored";
    EXPECT_EQ(session->Run("hello there", 2s), "unknown [hello there]");
    const std::vector<std::string> events = device.Events();
    EXPECT_EQ(std::count(events.begin(), events.end(), "portset 5000"), 1);
    EXPECT_EQ(std::count(events.begin(), events.end(), "portset 0"), 0);
}

TEST_F(FakeDeviceTest, EachReadIsSplitIntoLinesOnItsOwn)
{
    TestDevice& device = ConnectedDevice();
    auto session = OpenSession(9001);
    session->ReadGreeting(2s);
    session->SendRaw("setframe 10\nsyncmode freerun\n");
    EXPECT_EQ(session->ReadUntilPrompt(2s), "");
    EXPECT_EQ(session->ReadUntilPrompt(2s), "") << "two lines, two prompts";
    session->SendRaw("hel");
    EXPECT_EQ(session->ReadUntilPrompt(2s), "unknown [hel]");
    session->SendRaw("lo\n");
    EXPECT_EQ(session->ReadUntilPrompt(2s), "unknown [lo]");
    session->SendRaw(std::string(5000, 'x') + "\n");
    EXPECT_NE(session->ReadUntilPrompt(2s).find("unknown [xxx"), std::string::npos);
    EXPECT_NE(session->ReadUntilPrompt(2s).find("unknown [xxx"), std::string::npos)
        << "a line longer than one read is answered as two broken commands";
    session->SendRaw(std::string("\x01\xff\x00junk\x7f\n", 9));
    EXPECT_NE(session->ReadUntilPrompt(2s).find("unknown"), std::string::npos);
    EXPECT_EQ(session->Run("setframe 12", 2s), "") << "the session still works";
    EXPECT_TRUE(ParameterBecomes(device, "FrameNumber", 12));
}

TEST_F(FakeDeviceTest, NotifyOpensTheDataSocketAndReportsSyncStatus)
{
    ConnectedDevice();
    auto session = OpenSession(9001);
    session->ReadGreeting(2s);
    HalProbe::DataPortListener data(TestRig::kHal, 5000);
    session->Run("notify a 5000 b 7", 2s);
    const auto status = NextRecord(data);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->type, 3);
    EXPECT_EQ(status->bytes.size(), 24u);
    ASSERT_TRUE(status->header);
    EXPECT_EQ(status->header->tag, 7);
    EXPECT_EQ(status->header->deviceId, kBox1);
    EXPECT_EQ(std::get<HalProbe::SyncStatus>(status->body).flags, 0u);
    EXPECT_FALSE(NextRecord(data, 200ms)) << "no port information while free-running";

    session->Run("syncmode slave", 2s);
    const auto slaveStatus = NextRecord(data);
    ASSERT_TRUE(slaveStatus);
    EXPECT_EQ(std::get<HalProbe::SyncStatus>(slaveStatus->body).flags, 1u);
    const auto portInfo = NextRecord(data);
    ASSERT_TRUE(portInfo);
    EXPECT_EQ(portInfo->type, 2);
    EXPECT_EQ(std::get<HalProbe::PortInformation>(portInfo->body).Port(), 1u);
}

TEST_F(FakeDeviceTest, ConnectedDeviceAnnouncesItselfAndResetBringsItBackFresh)
{
    HalProbe::AnnouncementListener announcements(TestRig::kHal);
    TestDevice& device = ConnectedDevice();
    const auto awake = announcements.Receive(2s);
    ASSERT_TRUE(awake);
    EXPECT_EQ(awake->kind, HalProbe::Announcement::Kind::Awake);
    EXPECT_EQ(awake->deviceId, kBox1);
    EXPECT_EQ(awake->port, 1);
    auto session = OpenSession(9001);
    session->ReadGreeting(2s);

    hal_.Reset();
    ASSERT_TRUE(RunLoopUntil(
        [&]
        {
            const auto events = device.Events();
            return std::count(events.begin(), events.end(), "connected") == 2;
        }));
    EXPECT_EQ(device.Events(),
              (std::vector<std::string>{"connected", "disconnected", "connected"}));
    bool freshAwake = false;
    while (const auto next = announcements.Receive(2s))
        if (next->kind == HalProbe::Announcement::Kind::Awake && (freshAwake = true))
            break;
    EXPECT_TRUE(freshAwake) << "a new life starts with a new awake packet";
    auto second = OpenSession(9001);
    EXPECT_EQ(second->ReadGreeting(2s), "FakeLumeDevice") << "a fresh listener";
}

TEST_F(FakeDeviceTest, MasterCommandChoosesTheMasterAndTheRate)
{
    TestDevice& first = ConnectedDevice();
    TestDevice& second = ConnectedDevice();
    hal_.Master(0x02000002, 59.94);
    ASSERT_TRUE(ParameterBecomes(second, "SyncMode", 2));
    EXPECT_TRUE(ParameterBecomes(first, "SyncMode", 0));
    EXPECT_TRUE(RunLoopUntil([&] { return first.GetSystemFrameRate() == 59 + 940 * 0.001; }));
    EXPECT_TRUE(RunLoopUntil([&] { return first.Frames().size() >= 3; })) << "frames run";

    hal_.Master(0x02000001, 100.0, true);
    ASSERT_TRUE(ParameterBecomes(first, "SyncMode", 1)) << "surrogate master";
    EXPECT_TRUE(ParameterBecomes(second, "SyncMode", 0));
    const std::size_t framesSoFar = first.Frames().size();
    EXPECT_FALSE(RunLoopUntil([&] { return first.Frames().size() > framesSoFar + 1; }, 200ms))
        << "a surrogate master runs no clock";

    hal_.Master(0x02000002, 100.0);
    ASSERT_TRUE(RunLoopUntil([&] { return first.Frames().size() > framesSoFar + 3; }));
    hal_.Master(0xFFFFFFFF, 100.0);
    ASSERT_TRUE(ParameterBecomes(second, "SyncMode", 3));
    EXPECT_TRUE(ParameterBecomes(first, "SyncMode", 3));
    const std::size_t stoppedAt = first.Frames().size();
    EXPECT_FALSE(RunLoopUntil([&] { return first.Frames().size() > stoppedAt + 1; }, 200ms))
        << "frames stop without a master";
}

TEST_F(FakeDeviceTest, FrameNumberMakesTheMasterResyncEveryDevice)
{
    TestDevice& master = ConnectedDevice();
    TestDevice& slave = ConnectedDevice();
    hal_.Master(kBox1, 200.0);
    ASSERT_TRUE(RunLoopUntil([&] { return slave.Frames().size() >= 3; }));
    testing::internal::CaptureStdout();
    hal_.FrameNumber(1000);
    const bool resynced = RunLoopUntil(
        [&]
        {
            const auto frames = slave.Frames();
            return std::find(frames.begin(), frames.end(), 1000) != frames.end();
        });
    std::fflush(stdout);
    const std::string log = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(resynced);
    EXPECT_NE(log.find("33554433: Broadcasting sync at 1000 frames"), std::string::npos) << log;
    EXPECT_NE(log.find("(BROADCAST_CMD_SYNC, frame = 1000)"), std::string::npos);
    for (TestDevice* device : {&master, &slave})
    {
        const auto frames = device->Frames();
        const auto at = std::find(frames.begin(), frames.end(), 1000);
        ASSERT_NE(at, frames.end());
        for (auto next = at + 1; next != frames.end(); ++next)
            EXPECT_EQ(*next, *(next - 1) + 1);
    }
}

TEST_F(FakeDeviceTest, EveryDeviceProducesEachFrameBeforeTheMasterGoesOn)
{
    std::vector<TestDevice*> devices;
    for (int i = 0; i < 8; ++i)
        devices.push_back(&ConnectedDevice());
    std::atomic<int> violations{0};
    devices[3]->onFrame = [&](TestDevice& master)
    {
        for (TestDevice* device : devices)
        {
            const auto frames = device->Frames();
            if (device != &master && !frames.empty() && frames.back() != master.GetPreviousFrame())
                ++violations;
        }
    };
    hal_.Master(0x02000004, 1000.0);
    ASSERT_TRUE(RunLoopUntil([&] { return devices[0]->Frames().size() >= 200; }));
    hal_.Master(0xFFFFFFFF, 100.0);
    ASSERT_TRUE(ParameterBecomes(*devices[3], "SyncMode", 3));
    EXPECT_EQ(violations.load(), 0);
    const auto masterFrames = devices[3]->Frames();
    for (TestDevice* device : devices)
    {
        const auto frames = device->Frames();
        EXPECT_LE(frames.size(), masterFrames.size());
        EXPECT_GE(frames.size() + 1, masterFrames.size()) << "never a frame behind for long";
    }
}

TEST_F(FakeDeviceTest, ZeroRateProducesNothingUntilPositiveAndStillStops)
{
    TestDevice& master = ConnectedDevice();
    master.SetParameter("SystemFrameRate", 0.0);
    master.SetParameter("SyncMode", 2);
    ASSERT_TRUE(ParameterBecomes(master, "SyncMode", 2));
    EXPECT_FALSE(RunLoopUntil([&] { return !master.Frames().empty(); }, 100ms));
    master.SetParameter("SystemFrameRate", 500.0);
    EXPECT_TRUE(RunLoopUntil([&] { return master.Frames().size() >= 5; }));
    master.SetParameter("SystemFrameRate", 0.0);
    const auto start = std::chrono::steady_clock::now();
    master.SetParameter("SyncMode", 3);
    ASSERT_TRUE(ParameterBecomes(master, "SyncMode", 3));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

TEST_F(FakeDeviceTest, BadBroadcastsAndABurstOfResetsLeaveTheDevicesWorking)
{
    TestDevice& device = ConnectedDevice();
    ConnectedDevice();
    hal_.Raw({0x00, 0x03, 0x00, 0x05, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 60, 0, 0, 0, 0});
    hal_.Raw({0x00, 0x07, 0x00});
    hal_.Raw({0xde, 0xad});
    hal_.Raw({});
    hal_.Raw({0x00, 0x05, 0x00, 0x02, 0, 0, 0, 1});
    for (int i = 0; i < 1000; ++i)
        hal_.Reset();
    // Resets still queued may bring the device down and up (its frame back to 0, its
    // session closed) a while longer: repeat until the device answers as a settled one.
    ASSERT_TRUE(RunLoopUntil(
        [&]
        {
            hal_.Sync(77);
            return device.IsConnected() && device.GetCurrentFrame() == 77;
        },
        kSettleTimeout));
    EXPECT_EQ(device.GetSyncMode(), 3) << "a MASTER datagram cut short is ignored";
    const bool sessionWorks = RunLoopUntil(
        [&]
        {
            try
            {
                auto session = OpenSession(9001);
                return session->ReadGreeting(1s) == "FakeLumeDevice" &&
                       session->Run("setframe 3", 1s).empty();
            }
            catch (const HalProbe::ProbeError&)
            {
                return false;
            }
        },
        kSettleTimeout);
    EXPECT_TRUE(sessionWorks);
}

TEST_F(FakeDeviceTest, DisconnectedDeviceIgnoresBroadcastsAndStopsAnnouncing)
{
    HalProbe::AnnouncementListener announcements(TestRig::kHal);
    TestDevice& device = ConnectedDevice();
    ASSERT_TRUE(announcements.Receive(2s));
    TestRig::Connect(device, false);
    while (announcements.Receive(150ms))
    {
    }
    EXPECT_FALSE(announcements.Receive(300ms)) << "no announcements once down";
    hal_.Sync(55);
    hal_.Reset();
    EXPECT_FALSE(RunLoopUntil(
        [&] { return device.GetCurrentFrame() == 55 || device.IsConnected(); }, 200ms));
}

TEST_F(FakeDeviceTest, HalThatKeepsConnectingAndLeavingIsServedEveryDeviceLife)
{
    TestDevice& device = ConnectedDevice();
    for (int life = 0; life < 10; ++life)
    {
        {
            auto session = OpenSession(9001);
            ASSERT_EQ(session->ReadGreeting(2s), "FakeLumeDevice") << "life " << life;
            session->SendRaw("setframe 1");
        }
        hal_.Reset();
        ASSERT_TRUE(RunLoopUntil(
            [&]
            {
                const auto events = device.Events();
                return std::count(events.begin(), events.end(), "connected") == life + 2;
            }));
    }
    auto session = OpenSession(9001);
    EXPECT_EQ(session->ReadGreeting(2s), "FakeLumeDevice");
}
