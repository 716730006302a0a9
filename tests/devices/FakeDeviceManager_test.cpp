#include "tests/devices/DeviceTestSupport.h"
#include "tests/support/QtTestLoop.h"
#include "tests/support/UdpTestSocket.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using BriselTest::TestDevice;
using BriselTest::TestRig;
using QtTest::RunLoopUntil;
using namespace std::chrono_literals;

namespace
{
class FakeDeviceManagerTest : public testing::Test
{
protected:
    TestDevice& Device(unsigned index)
    {
        return static_cast<TestDevice&>(*rig_.Manager().GetDevice(index));
    }
    TestDevice& AddConnected()
    {
        TestDevice& device = rig_.AddDevice();
        TestRig::Connect(device);
        return device;
    }

    TestRig rig_;
};

// An unknown command of the given last byte: the device base hands it to the device class.
std::vector<std::uint8_t> UnknownCommand(std::uint8_t last)
{
    return {0x00, 0x7F, 0x00, 0x01, 0, 0, 0, last};
}
} // namespace

TEST_F(FakeDeviceManagerTest, PortsFollowListPlaceAndIdsFollowTheirRule)
{
    rig_.AddDevice();
    rig_.AddDevice([](std::uint32_t) { return 0x1234u; });
    rig_.AddDevice();
    rig_.AddDevice(VFakeDeviceManager::SequentialId);
    ASSERT_EQ(rig_.Manager().GetDeviceCount(), 4u);
    const std::uint32_t expectedIds[] = {0x02000001, 0x1234, 0x02000003, 4};
    for (unsigned i = 0; i < 4; ++i)
    {
        EXPECT_EQ(Device(i).GetPort(), i + 1);
        EXPECT_EQ(Device(i).GetDeviceID(), expectedIds[i]);
        EXPECT_EQ(Device(i).GetLocalAddress(), ::inet_addr(TestRig::kLocal));
        EXPECT_EQ(Device(i).GetHalAddress(), ::inet_addr(TestRig::kHal));
    }
}

TEST_F(FakeDeviceManagerTest, TrialFilesThatCannotBeOpenedCreateNothing)
{
    EXPECT_FALSE(rig_.Manager().LoadX2D("/nonexistent/trial.x2d"));
    EXPECT_FALSE(rig_.Manager().LoadX1D("/nonexistent/trial.x1d"));
    EXPECT_EQ(rig_.Manager().GetDeviceCount(), 0u);
    EXPECT_EQ(rig_.AddDevice().GetPort(), 1u) << "numbering still starts at Port 1";
}

TEST_F(FakeDeviceManagerTest, BroadcastFromTheHalReachesEveryConnectedDevice)
{
    TestDevice& first = AddConnected();
    TestDevice& idle = rig_.AddDevice();
    TestDevice& third = AddConnected();
    BriselTest::UdpTestSocket("127.0.0.3").SendTo(TestRig::kLocal, 8666, UnknownCommand(9));
    BriselTest::UdpTestSocket(TestRig::kHal).SendTo(TestRig::kLocal, 8666, UnknownCommand(7));
    ASSERT_TRUE(RunLoopUntil([&] { return third.Events().size() >= 2; }));
    EXPECT_EQ(first.Events(), (std::vector<std::string>{"connected", "broadcast 8"}));
    EXPECT_EQ(third.Events(), (std::vector<std::string>{"connected", "broadcast 8"}));
    EXPECT_TRUE(idle.Events().empty()) << "a device that is not connected ignores broadcasts";
}

TEST_F(FakeDeviceManagerTest, MasterFrameRunsTheMasterThenEveryOtherDeviceInParallel)
{
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
    for (int i = 0; i < 20; ++i)
    {
        TestDevice& device = AddConnected();
        device.onFrame = [&](TestDevice&)
        {
            const int now = ++running;
            for (int seen = mostAtOnce; now > seen && !mostAtOnce.compare_exchange_weak(seen, now);)
            {
            }
            std::this_thread::sleep_for(2ms);
            --running;
        };
    }
    for (int frame = 1; frame <= 10; ++frame)
    {
        rig_.Manager().OnMasterFrame(Device(4));
        for (unsigned i = 0; i < 20; ++i)
            ASSERT_EQ(Device(i).Frames().size(), static_cast<std::size_t>(frame)) << "device " << i;
    }
    EXPECT_GT(mostAtOnce.load(), 1) << "frame steps run on the pool in parallel";
    EXPECT_LE(mostAtOnce.load(), 16);
}

TEST_F(FakeDeviceManagerTest, MasterAloneProducesOnlyItsOwnFrame)
{
    TestDevice& master = AddConnected();
    rig_.Manager().OnMasterFrame(master);
    EXPECT_EQ(master.Frames(), (std::vector<std::int32_t>{0}));
}

TEST_F(FakeDeviceManagerTest, EveryCGClientNotesEachFrameTheMasterHasJustProduced)
{
    TestDevice& master = AddConnected();
    AddConnected();
    const std::shared_ptr<VFakeLumeCGClient> first = rig_.Manager().AddCGClient();
    const std::shared_ptr<VFakeLumeCGClient> second = rig_.Manager().AddCGClient();
    ASSERT_EQ(rig_.Manager().GetCGClientCount(), 2u);
    EXPECT_EQ(rig_.Manager().GetCGClient(1), second);
    EXPECT_EQ(rig_.Manager().GetCGClient(2), nullptr);

    rig_.Manager().OnMasterFrame(master);
    rig_.Manager().OnMasterFrame(master);

    for (const auto& client : {first, second})
    {
        EXPECT_EQ(client->GetLatency().GetPendingCount(), 2u);
        EXPECT_TRUE(client->GetLatency().IsPending(0));
        EXPECT_TRUE(client->GetLatency().IsPending(1));
    }
}

TEST_F(FakeDeviceManagerTest, DestructionWhileTheHalKeepsBroadcastingReleasesEveryDevice)
{
    std::weak_ptr<VFakeDevice> first = rig_.AddDevice().SharedAs<VFakeDevice>();
    TestDevice& second = AddConnected();
    std::weak_ptr<VFakeDevice> secondOwner = second.SharedAs<VFakeDevice>();
    std::atomic<bool> sending{true};
    std::thread hal(
        [&]
        {
            BriselTest::UdpTestSocket socket(TestRig::kHal);
            while (sending)
                socket.SendTo(TestRig::kLocal, 8666, UnknownCommand(1));
        });
    ASSERT_TRUE(RunLoopUntil([&] { return second.Events().size() >= 10; }));
    rig_.DestroyManager();
    sending = false;
    hal.join();
    EXPECT_TRUE(first.expired());
    EXPECT_TRUE(secondOwner.expired());
}

TEST_F(FakeDeviceManagerTest, DestructionStopsDevicesStillInUseAndDestroysThemOnTheMainThread)
{
    TestDevice& master = AddConnected();
    TestDevice& other = AddConnected();
    std::atomic<bool> inCommand{false};
    master.onCommand = [&](const std::string&)
    {
        inCommand = true;
        std::this_thread::sleep_for(300ms);
    };
    const auto destroyedOn = std::make_shared<std::atomic<std::thread::id>>();
    master.onDestroyed = [destroyedOn] { *destroyedOn = std::this_thread::get_id(); };
    master.SetParameter("SystemFrameRate", 500.0);
    master.SetParameter("SyncMode", 2);
    ASSERT_TRUE(RunLoopUntil([&] { return other.Frames().size() >= 5; }));
    auto session = BriselTest::OpenSession(9001);
    session->ReadGreeting(2s);
    session->SendRaw("take your time\n");
    ASSERT_TRUE(RunLoopUntil([&] { return inCommand.load(); }));

    rig_.DestroyManager();
    EXPECT_EQ(destroyedOn->load(), std::this_thread::get_id())
        << "the I/O thread let the master go before the manager finished";
}
