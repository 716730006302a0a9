#include "net/AsioPostalService.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <pthread.h>

using NotificationSystem::VAsioPostalService;
using namespace std::chrono_literals;

TEST(AsioPostalService, StartAndStopRefuseTheWrongState)
{
    VAsioPostalService service("AsioPostalService");
    EXPECT_FALSE(service.Start(0));
    EXPECT_FALSE(service.Stop()) << "Start(0) must not have started anything";
    EXPECT_TRUE(service.Start(1));
    EXPECT_FALSE(service.Start(1));
    EXPECT_TRUE(service.Stop());
    EXPECT_FALSE(service.Stop());
    EXPECT_TRUE(service.Start(2)) << "a stopped service can be started again";
    std::promise<void> ran;
    service.Post([&](void*) { ran.set_value(); }, nullptr);
    EXPECT_EQ(ran.get_future().wait_for(5s), std::future_status::ready);
}

TEST(AsioPostalService, CallbackPostedBeforeStartRunsOnANamedWorkerOnceStarted)
{
    VAsioPostalService service("AsioPostalService");
    std::promise<std::string> workerName;
    int value = 42;
    std::atomic<int*> argumentSeen{nullptr};
    service.Post(
        [&](void* argument)
        {
            argumentSeen = static_cast<int*>(argument);
            char name[16] = {};
            pthread_getname_np(pthread_self(), name, sizeof(name));
            workerName.set_value(name);
        },
        &value);
    auto name = workerName.get_future();
    EXPECT_EQ(name.wait_for(50ms), std::future_status::timeout) << "nothing runs before Start";
    ASSERT_TRUE(service.Start(1));
    ASSERT_EQ(name.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(name.get(), "PostalService0");
    EXPECT_EQ(argumentSeen.load(), &value);
}

TEST(AsioPostalService, StopRunsTheHandlersStillQueued)
{
    VAsioPostalService service("AsioPostalService");
    ASSERT_TRUE(service.Start(1));
    std::atomic<int> count{0};
    for (int i = 0; i < 100; ++i)
        service.Post([&](void*) { ++count; }, nullptr);
    EXPECT_TRUE(service.Stop());
    EXPECT_EQ(count.load(), 100);
}

TEST(AsioPostalService, PostNeverRunsTheCallbackInsidePost)
{
    VAsioPostalService service("AsioPostalService");
    ASSERT_TRUE(service.Start(1));
    std::promise<std::thread::id> where;
    service.Post([&](void*) { where.set_value(std::this_thread::get_id()); }, nullptr);
    auto worker = where.get_future();
    ASSERT_EQ(worker.wait_for(5s), std::future_status::ready);
    EXPECT_NE(worker.get(), std::this_thread::get_id());
}

TEST(AsioPostalService, AWorkerMayStopTheServiceItRunsOn)
{
    auto service = std::make_unique<VAsioPostalService>("AsioPostalService");
    ASSERT_TRUE(service->Start(1));
    std::promise<bool> stopped;
    service->Post([&](void*) { stopped.set_value(service->Stop()); }, nullptr);
    auto result = stopped.get_future();
    ASSERT_EQ(result.wait_for(5s), std::future_status::ready);
    EXPECT_TRUE(result.get());
    EXPECT_FALSE(service->Stop());
}
