#include "Framework/EventSystem/EventManagerQt.h"
#include "app/FakeDeviceManager.h"
#include "net/AsioPostalService.h"
#include "tests/support/UdpTestSocket.h"

#include <arpa/inet.h>
#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>

using BriselTest::BigEndianWords;
using namespace std::chrono_literals;

namespace
{
std::uint32_t Ip(const char* text)
{
    return ::inet_addr(text);
}

// Shared record of what the test devices saw, in the order they saw it.
struct Journal
{
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> entries;

    void Add(std::string entry)
    {
        std::lock_guard<std::mutex> lock(mutex);
        entries.push_back(std::move(entry));
        changed.notify_all();
    }
    bool WaitForCount(std::size_t count)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, 5s, [&] { return entries.size() >= count; });
    }
};

class TestDevice : public VFakeDevice
{
public:
    TestDevice(VFakeDeviceManager& manager, Journal& journal, std::uint32_t id, std::uint32_t port,
               std::uint32_t local, std::uint32_t hal)
        : VFakeDevice(manager, id, port, local, hal), journal_(journal)
    {
    }
    void OnCreated() override { createdWithOwner = !weak_from_this().expired(); }
    void OnBroadcast(const std::uint8_t* data, std::size_t length) override
    {
        journal_.Add(std::to_string(GetPort()) + ":" + std::to_string(length) + ":" +
                     std::to_string(length ? data[length - 1] : -1));
    }
    void Tick() override
    {
        ++ticks;
        const int running = ++concurrentTicks;
        int seen = maxConcurrentTicks.load();
        while (running > seen && !maxConcurrentTicks.compare_exchange_weak(seen, running))
        {
        }
        std::this_thread::sleep_for(2ms);
        --concurrentTicks;
    }

    bool createdWithOwner = false;
    std::atomic<int> ticks{0};
    static inline std::atomic<int> concurrentTicks{0};
    static inline std::atomic<int> maxConcurrentTicks{0};

private:
    Journal& journal_;
};

class FakeDeviceManagerTest : public testing::Test
{
protected:
    std::shared_ptr<VFakeDevice> Add(const VFakeDeviceManager::DeviceIdRule& rule)
    {
        return manager_->AddDevice<TestDevice>(rule, journal_);
    }
    TestDevice& Device(unsigned index)
    {
        return static_cast<TestDevice&>(*manager_->GetDevice(index));
    }

    Journal journal_;
    VEventManagerQt eventManager_;
    NotificationSystem::VAsioPostalService postalService_{"AsioPostalService"};
    std::unique_ptr<VFakeDeviceManager> manager_ = std::make_unique<VFakeDeviceManager>(
        eventManager_, Ip("127.0.0.1"), Ip("127.0.0.2"), *postalService_.GetIoService());
};
} // namespace

TEST_F(FakeDeviceManagerTest, PortsFollowListPlaceAndIdsFollowTheirRule)
{
    Add(VFakeDeviceManager::NetworkBoxId);
    Add([](std::uint32_t) { return 0x1234u; });
    Add(VFakeDeviceManager::NetworkBoxId);
    Add(VFakeDeviceManager::SequentialId);
    ASSERT_EQ(manager_->GetDeviceCount(), 4u);
    const std::uint32_t expectedIds[] = {0x02000001, 0x1234, 0x02000003, 4};
    for (unsigned i = 0; i < 4; ++i)
    {
        EXPECT_EQ(Device(i).GetPort(), i + 1);
        EXPECT_EQ(Device(i).GetDeviceID(), expectedIds[i]);
        EXPECT_EQ(Device(i).GetLocalAddress(), Ip("127.0.0.1"));
        EXPECT_EQ(Device(i).GetHalAddress(), Ip("127.0.0.2"));
        EXPECT_TRUE(Device(i).createdWithOwner) << "the creation hook runs once owned";
    }
}

TEST_F(FakeDeviceManagerTest, TrialFilesThatCannotBeOpenedCreateNothing)
{
    EXPECT_FALSE(manager_->LoadX2D("/nonexistent/trial.x2d"));
    EXPECT_FALSE(manager_->LoadX1D("/nonexistent/trial.x1d"));
    EXPECT_EQ(manager_->GetDeviceCount(), 0u);
    Add(VFakeDeviceManager::NetworkBoxId);
    EXPECT_EQ(Device(0).GetPort(), 1u) << "numbering still starts at Port 1";
}

TEST_F(FakeDeviceManagerTest, BroadcastFromTheHalReachesEveryDeviceInListOrder)
{
    for (int i = 0; i < 3; ++i)
        Add(VFakeDeviceManager::SequentialId);
    BriselTest::UdpTestSocket("127.0.0.3").SendTo("127.0.0.1", 8666, {0, 1, 0, 1, 0, 0, 0, 9});
    BriselTest::UdpTestSocket("127.0.0.2").SendTo("127.0.0.1", 8666, {0, 1, 0, 1, 0, 0, 0, 7});
    ASSERT_TRUE(journal_.WaitForCount(3));
    std::lock_guard<std::mutex> lock(journal_.mutex);
    EXPECT_EQ(journal_.entries, (std::vector<std::string>{"1:8:7", "2:8:7", "3:8:7"}));
}

TEST_F(FakeDeviceManagerTest, ShortAndEmptyDatagramsStillReachTheDevicesWithTheirLength)
{
    Add(VFakeDeviceManager::SequentialId);
    const std::uint8_t two[] = {0, 5};
    manager_->OnBroadcastCommand(two, sizeof(two));
    manager_->OnBroadcastCommand(two, 0);
    ASSERT_TRUE(journal_.WaitForCount(2));
    std::lock_guard<std::mutex> lock(journal_.mutex);
    EXPECT_EQ(journal_.entries, (std::vector<std::string>{"1:2:5", "1:0:-1"}));
}

TEST_F(FakeDeviceManagerTest, MasterFrameTicksEveryOtherDeviceInParallelAndWaitsForAll)
{
    for (int i = 0; i < 20; ++i)
        Add(VFakeDeviceManager::SequentialId);
    TestDevice::maxConcurrentTicks = 0;
    for (int frame = 1; frame <= 10; ++frame)
    {
        manager_->OnMasterFrame(Device(4));
        for (unsigned i = 0; i < 20; ++i)
            ASSERT_EQ(Device(i).ticks.load(), i == 4 ? 0 : frame) << "device " << i;
    }
    EXPECT_GT(TestDevice::maxConcurrentTicks.load(), 1) << "ticks run on the pool in parallel";
    EXPECT_LE(TestDevice::maxConcurrentTicks.load(), 16);
}

TEST_F(FakeDeviceManagerTest, MasterAloneTicksNothing)
{
    Add(VFakeDeviceManager::SequentialId);
    manager_->OnMasterFrame(Device(0));
    EXPECT_EQ(Device(0).ticks.load(), 0);
}

TEST_F(FakeDeviceManagerTest, DestructionWhileTheHalKeepsBroadcastingReleasesEveryDevice)
{
    std::weak_ptr<VFakeDevice> first = Add(VFakeDeviceManager::SequentialId);
    std::weak_ptr<VFakeDevice> second = Add(VFakeDeviceManager::SequentialId);
    std::atomic<bool> sending{true};
    std::thread hal(
        [&]
        {
            BriselTest::UdpTestSocket socket("127.0.0.2");
            while (sending)
                socket.SendTo("127.0.0.1", 8666, {0, 1, 0, 1, 0, 0, 0, 1});
        });
    ASSERT_TRUE(journal_.WaitForCount(10));
    manager_.reset();
    sending = false;
    hal.join();
    EXPECT_TRUE(first.expired());
    EXPECT_TRUE(second.expired());
}
