#include "Framework/EventSystem/EventManagerQt.h"
#include "Framework/EventSystem/Invoke.h"
#include "tests/support/QtTestLoop.h"

#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

using QtTest::RunLoopUntil;

TEST(Invoke, OnTheEventThreadRunsBeforeReturning)
{
    VEventManagerQt manager;
    bool ran = false;
    EventSystem::Invoke(manager, [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(manager.GetDispatchCount(), 0u);
}

TEST(Invoke, FromAWorkerRunsLaterOnTheEventThreadOnceAndInOrder)
{
    VEventManagerQt manager;
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::atomic<bool> ranBeforeReturn{false};
    testing::internal::CaptureStderr();
    std::thread worker(
        [&]
        {
            for (int i = 0; i < 20; ++i)
                EventSystem::Invoke(manager,
                                    [&, i]
                                    {
                                        order.push_back(i);
                                        threads.push_back(std::this_thread::get_id());
                                    });
            ranBeforeReturn = !order.empty();
        });
    worker.join();
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(ranBeforeReturn);
    ASSERT_TRUE(RunLoopUntil([&] { return order.size() >= 20; }));
    QCoreApplication::processEvents();
    ASSERT_EQ(order.size(), 20u) << "each function runs once";
    for (int i = 0; i < 20; ++i)
    {
        EXPECT_EQ(order[i], i);
        EXPECT_EQ(threads[i], std::this_thread::get_id());
    }
    EXPECT_NE(log.find("[Event System:5] EventSystem/Invoke:83: Submit:InvokeEvent( pDetails )\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(manager.GetHandlerCount(), 0u) << "no handler is involved";
}

TEST(Invoke, EmptyFunctionIsRefusedOnTheCallersThread)
{
    VEventManagerQt manager;
    EXPECT_THROW(EventSystem::Invoke(manager, {}), std::bad_function_call);
    std::thread([&] { EXPECT_THROW(EventSystem::Invoke(manager, {}), std::bad_function_call); })
        .join();
}

TEST(Invoke, AFunctionThatThrowsIsLoggedAndLaterFunctionsStillRun)
{
    VEventManagerQt manager;
    std::atomic<bool> laterRan{false};
    testing::internal::CaptureStderr();
    std::thread(
        [&]
        {
            EventSystem::Invoke(manager, [] { throw std::runtime_error("device gone"); });
            EventSystem::Invoke(manager, [&] { laterRan = true; });
        })
        .join();
    const bool ran = RunLoopUntil([&] { return laterRan.load(); });
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(ran);
    EXPECT_NE(log.find("EventSystem::InvokeEvent: device gone"), std::string::npos) << log;
    EXPECT_FALSE(manager.IsDispatching());
}
