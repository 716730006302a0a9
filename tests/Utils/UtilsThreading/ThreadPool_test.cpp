#include "Utils/UtilsThreading/ThreadPool.h"
#include "tests/Utils/UtilsThreading/DestructionProbe.h"
#include "tests/Utils/UtilsThreading/TestGate.h"

#include <atomic>
#include <condition_variable>
#include <future>
#include <gtest/gtest.h>
#include <pthread.h>
#include <set>

using UtilsThreading::VThreadPool;
using namespace std::chrono_literals;

using ThreadingTest::DestructionProbe;
using ThreadingTest::Gate;

TEST(ThreadPool, WaitUntilIdleWithoutTasksReturns)
{
    VThreadPool pool(16, 0);
    pool.WaitUntilIdle();
    SUCCEED();
}

TEST(ThreadPool, EveryTaskHasFinishedWhenWaitUntilIdleReturns)
{
    VThreadPool pool(4, 0);
    std::atomic<int> finished{0};
    for (int frame = 0; frame < 50; ++frame)
    {
        for (int device = 0; device < 20; ++device)
            pool.Submit([&] { ++finished; });
        pool.WaitUntilIdle();
        ASSERT_EQ(finished.load(), (frame + 1) * 20) << "frame " << frame;
    }
}

TEST(ThreadPool, RunsAsManyTasksAtOnceAsItHasThreadsEachOnANamedWorker)
{
    VThreadPool pool(16, 0);
    Gate gate;
    std::mutex namesMutex;
    std::set<std::string> names;
    for (int i = 0; i < 16; ++i)
        pool.Submit(
            [&]
            {
                char name[16] = {};
                pthread_getname_np(pthread_self(), name, sizeof(name));
                {
                    std::lock_guard<std::mutex> lock(namesMutex);
                    names.insert(name);
                }
                gate.Wait();
            });
    ASSERT_TRUE(gate.WaitForWaiters(16));
    gate.Open();
    pool.WaitUntilIdle();
    EXPECT_EQ(names.size(), 16u);
    EXPECT_EQ(names.count("PoolThread1of16"), 1u);
    EXPECT_EQ(names.count("Thread16of16"), 1u);
}

TEST(ThreadPool, SubmitWhenIdleWaitsForAFreeWorker)
{
    VThreadPool pool(1, 0);
    Gate gate;
    pool.Submit([&] { gate.Wait(); });
    ASSERT_TRUE(gate.WaitForWaiters(1));
    std::atomic<bool> secondRan{false};
    auto submitter =
        std::async(std::launch::async, [&] { pool.SubmitWhenIdle([&] { secondRan = true; }); });
    EXPECT_EQ(submitter.wait_for(100ms), std::future_status::timeout)
        << "the only worker is busy, so the submission must wait";
    gate.Open();
    ASSERT_EQ(submitter.wait_for(5s), std::future_status::ready);
    pool.WaitUntilIdle();
    EXPECT_TRUE(secondRan);
}

TEST(ThreadPool, DestructionDropsTasksThatHaveNotStarted)
{
    std::atomic<int> ran{0};
    Gate gate;
    std::future<void> destroyed;
    {
        auto pool = std::make_unique<VThreadPool>(1, 0);
        pool->Submit(
            [&]
            {
                ++ran;
                gate.Wait();
            });
        ASSERT_TRUE(gate.WaitForWaiters(1));
        for (int i = 0; i < 5; ++i)
            pool->Submit([&] { ++ran; });
        destroyed = std::async(std::launch::async, [&pool] { pool.reset(); });
        EXPECT_EQ(destroyed.wait_for(100ms), std::future_status::timeout)
            << "destruction waits for the running task";
        gate.Open();
        ASSERT_EQ(destroyed.wait_for(5s), std::future_status::ready);
    }
    EXPECT_EQ(ran.load(), 1);
}

TEST(ThreadPool, SubmitAllRunsEveryTaskOfTheBatchOnce)
{
    VThreadPool pool(4, 0);
    std::atomic<int> finished{0};
    pool.SubmitAll({});
    pool.SubmitAll({[&] { ++finished; }});
    pool.WaitUntilIdle();
    EXPECT_EQ(finished.load(), 1);
    for (int frame = 1; frame <= 20; ++frame)
    {
        pool.SubmitAll(std::vector<VThreadPool::Task>(33, [&] { ++finished; }));
        pool.WaitUntilIdle();
        ASSERT_EQ(finished.load(), 1 + frame * 33);
    }
}

TEST(ThreadPool, AFinishedTaskIsDestroyedOutsideThePoolsLock)
{
    VThreadPool pool(1, 0);
    DestructionProbe probe;
    pool.Submit([capture = probe.Capture()] {});
    ASSERT_TRUE(probe.WaitForDestruction());
    pool.Submit([] {});
    probe.CallDone();
    EXPECT_TRUE(probe.CallGotThrough());
    pool.WaitUntilIdle();
}

TEST(ThreadPool, TasksDroppedByDestructionAreDestroyedOutsideThePoolsLock)
{
    DestructionProbe probe;
    Gate gate;
    auto pool = std::make_unique<VThreadPool>(1, 0);
    VThreadPool* const running = pool.get();
    // The running task submits follow-up work while the pool is being destroyed.
    pool->Submit(
        [&]
        {
            gate.Wait();
            running->Submit([] {});
            probe.CallDone();
        });
    ASSERT_TRUE(gate.WaitForWaiters(1));
    pool->Submit([capture = probe.Capture()] {});
    auto destroyed = std::async(std::launch::async, [&pool] { pool.reset(); });
    ASSERT_TRUE(probe.WaitForDestruction());
    gate.Open();
    EXPECT_TRUE(probe.CallGotThrough());
    ASSERT_EQ(destroyed.wait_for(5s), std::future_status::ready);
}
