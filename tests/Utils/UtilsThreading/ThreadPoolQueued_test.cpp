#include "Utils/UtilsThreading/ThreadPoolQueued.h"

#include "net/ThreadName.h"
#include "tests/Utils/UtilsThreading/DestructionProbe.h"
#include "tests/Utils/UtilsThreading/TestGate.h"

#include <atomic>
#include <future>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <set>
#include <stdexcept>

using testing::HasSubstr;
using ThreadingTest::DestructionProbe;
using ThreadingTest::Gate;
using UtilsThreading::VThreadPoolQueued;
using namespace std::chrono_literals;

namespace
{
const std::string kAssertPrefix = "Assertion failed: ";
const std::string kAssertFile = ", file UtilsThreading\\ThreadPoolQueued, line ";

// A one-worker pool whose worker is held by a blocked task, so that tasks submitted
// meanwhile stay queued (and subject to the drop policy) until Release.
class BusyPool
{
public:
    BusyPool() : pool_("Test", 1)
    {
        pool_.Submit([this] { gate_.Wait(); });
        EXPECT_TRUE(gate_.WaitForWaiters(1));
    }
    ~BusyPool() { gate_.Open(); }

    VThreadPoolQueued& Pool() { return pool_; }

    // Queues tasks numbered from 1 that record that they ran.
    void Queue(int count)
    {
        for (int i = 1; i <= count; ++i)
            pool_.Submit(
                [this, i]
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    ran_.push_back(i);
                });
    }

    // Frees the worker and returns the numbers of the tasks that ran, in order.
    std::vector<int> Release()
    {
        gate_.Open();
        pool_.WaitUntilIdle();
        std::lock_guard<std::mutex> lock(mutex_);
        return ran_;
    }

private:
    Gate gate_;
    std::mutex mutex_;
    std::vector<int> ran_;
    VThreadPoolQueued pool_;
};

std::vector<int> RunQueued(int maximumQueueSize, int dropPolicy, int count)
{
    BusyPool busy;
    busy.Pool().SetMaximumQueueSize(maximumQueueSize);
    busy.Pool().SetDropPolicy(dropPolicy);
    busy.Queue(count);
    return busy.Release();
}

std::string CurrentThreadName()
{
    char name[16] = {};
    pthread_getname_np(pthread_self(), name, sizeof(name));
    return name;
}
} // namespace

TEST(ThreadPoolQueued, DropPolicyDecidesWhichQueuedTasksSurvive)
{
    EXPECT_EQ(RunQueued(2, VThreadPoolQueued::kDropOldest, 3), (std::vector<int>{2, 3}));
    EXPECT_EQ(RunQueued(2, VThreadPoolQueued::kDropNewest, 3), (std::vector<int>{1, 2}));
    EXPECT_EQ(RunQueued(0, VThreadPoolQueued::kDropNewest, 5), (std::vector<int>{1, 2, 3, 4, 5}))
        << "a maximum of 0 leaves the queue unbounded";
}

TEST(ThreadPoolQueued, ShrinkingTheMaximumDropsAtOnce)
{
    for (int policy : {VThreadPoolQueued::kDropOldest, VThreadPoolQueued::kDropNewest})
    {
        BusyPool busy;
        busy.Pool().SetDropPolicy(policy);
        busy.Queue(4);
        busy.Pool().SetMaximumQueueSize(1);
        EXPECT_EQ(busy.Release(),
                  std::vector<int>{policy == VThreadPoolQueued::kDropOldest ? 4 : 1});
    }
}

TEST(ThreadPoolQueued, InvalidSettingsAreReportedAndChangeNothing)
{
    testing::internal::CaptureStderr();
    BusyPool busy;
    busy.Pool().SetMaximumQueueSize(1);
    busy.Pool().SetMaximumQueueSize(-1);
    busy.Queue(2);
    EXPECT_EQ(busy.Release(), std::vector<int>{2}) << "the maximum stays 1";

    BusyPool unknownPolicy;
    unknownPolicy.Pool().SetMaximumQueueSize(1);
    unknownPolicy.Pool().SetDropPolicy(7);
    unknownPolicy.Queue(2);
    EXPECT_EQ(unknownPolicy.Release(), (std::vector<int>{1, 2})) << "nothing is dropped";

    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_THAT(errors,
                HasSubstr(kAssertPrefix + "i_MaximumQueueSize >= 0" + kAssertFile + "62\n"));
    EXPECT_THAT(errors, HasSubstr(kAssertPrefix + "!\"Unhandled drop policy case\"" + kAssertFile +
                                  "155\n"));
}

TEST(ThreadPoolQueued, InvalidThreadCountsAreReportedAndConstructionCarriesOn)
{
    testing::internal::CaptureStderr();
    {
        VThreadPoolQueued none("Test", 0);
    }
    std::atomic<bool> ran{false};
    {
        VThreadPoolQueued tooMany("Test", 300);
        tooMany.Submit([&] { ran = true; });
        tooMany.WaitUntilIdle();
    }
    const std::string errors = testing::internal::GetCapturedStderr();
    const std::string line =
        kAssertPrefix + "i_NumThreads > 0 && i_NumThreads <= 256" + kAssertFile + "29\n";
    EXPECT_EQ(errors, line + line);
    EXPECT_TRUE(ran);
}

TEST(ThreadPoolQueued, WorkersAreNamedAfterThePoolAndSurviveThrowingTasks)
{
    VThreadPoolQueued pool("X2DRead", 2);
    Gate bothRunning;
    std::mutex namesMutex;
    std::set<std::string> names;
    for (int i = 0; i < 2; ++i)
        pool.Submit(
            [&]
            {
                {
                    std::lock_guard<std::mutex> lock(namesMutex);
                    names.insert(CurrentThreadName());
                }
                bothRunning.Wait();
                throw std::runtime_error("read failed");
            });
    ASSERT_TRUE(bothRunning.WaitForWaiters(2));
    bothRunning.Open();
    pool.WaitUntilIdle();
    EXPECT_EQ(names,
              (std::set<std::string>{NotificationSystem::ShortThreadName("X2DRead thread 0"),
                                     NotificationSystem::ShortThreadName("X2DRead thread 1")}));

    std::atomic<int> ran{0};
    for (int i = 0; i < 4; ++i)
        pool.Submit([&] { ++ran; });
    pool.WaitUntilIdle();
    EXPECT_EQ(ran.load(), 4);
}

TEST(ThreadPoolQueued, WaitUntilIdleWaitsForTheRunningTask)
{
    VThreadPoolQueued pool("Test", 1);
    Gate gate;
    std::atomic<bool> finished{false};
    pool.Submit(
        [&]
        {
            gate.Wait();
            finished = true;
        });
    ASSERT_TRUE(gate.WaitForWaiters(1));
    auto waiter = std::async(std::launch::async,
                             [&]
                             {
                                 pool.WaitUntilIdle();
                                 return finished.load();
                             });
    EXPECT_EQ(waiter.wait_for(50ms), std::future_status::timeout);
    gate.Open();
    EXPECT_TRUE(waiter.get());
}

TEST(ThreadPoolQueued, DestructionDiscardsQueuedTasks)
{
    std::atomic<int> ran{0};
    Gate gate;
    auto pool = std::make_unique<VThreadPoolQueued>("Test", 1);
    pool->Submit(
        [&]
        {
            ++ran;
            gate.Wait();
        });
    ASSERT_TRUE(gate.WaitForWaiters(1));
    for (int i = 0; i < 5; ++i)
        pool->Submit([&] { ++ran; });
    auto destroyed = std::async(std::launch::async, [&pool] { pool.reset(); });
    // Gives the destructor time to stop the pool before the running task ends.
    EXPECT_EQ(destroyed.wait_for(200ms), std::future_status::timeout)
        << "destruction waits for the running task";
    gate.Open();
    ASSERT_EQ(destroyed.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(ran.load(), 1);
}

TEST(ThreadPoolQueued, DroppedTasksAreDestroyedOutsideThePoolsLock)
{
    BusyPool busy;
    busy.Pool().SetMaximumQueueSize(1);
    DestructionProbe probe;
    busy.Pool().Submit([capture = probe.Capture()] {});
    auto dropper = std::async(std::launch::async, [&busy] { busy.Queue(1); });
    ASSERT_TRUE(probe.WaitForDestruction());
    busy.Pool().SetDropPolicy(VThreadPoolQueued::kDropOldest);
    probe.CallDone();
    EXPECT_TRUE(probe.CallGotThrough());
    dropper.get();
    EXPECT_EQ(busy.Release(), std::vector<int>{1});
}
