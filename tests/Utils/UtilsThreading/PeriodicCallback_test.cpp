#include "Utils/UtilsThreading/PeriodicCallback.h"

#include "net/ThreadName.h"
#include "tests/Utils/UtilsThreading/TestGate.h"

#include <atomic>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <pthread.h>

using ThreadingTest::Gate;
using UtilsThreading::VPeriodicCallback;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace
{
// Records when it is called, then runs an optional hook with the number of calls so far.
// Declared before the periodic callback in each test, so it outlives the ticks.
class TickRecorder : public UtilsThreading::ITimerCallback
{
public:
    explicit TickRecorder(std::function<void(int)> hook = nullptr) : hook_(std::move(hook)) {}

    void OnTimer() override
    {
        int count = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            times_.push_back(Clock::now());
            count = static_cast<int>(times_.size());
            char name[16] = {};
            pthread_getname_np(pthread_self(), name, sizeof(name));
            threadName_ = name;
        }
        changed_.notify_all();
        if (hook_)
            hook_(count);
    }

    int Count()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<int>(times_.size());
    }

    std::string ThreadName()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return threadName_;
    }

    // The times of the calls so far, once there are `count` of them or `timeout` passed.
    std::vector<Clock::time_point> WaitForTicks(int count, Clock::duration timeout = 5s)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return static_cast<int>(times_.size()) >= count; });
        return times_;
    }

private:
    const std::function<void(int)> hook_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Clock::time_point> times_;
    std::string threadName_;
};

// Waits until `recorder` has been called twice more, so one whole tick has passed.
void WaitForAWholeTick(TickRecorder& recorder)
{
    ASSERT_GE(static_cast<int>(recorder.WaitForTicks(recorder.Count() + 2).size()), 2);
}
} // namespace

TEST(PeriodicCallback, TicksAtOnceOnANamedThreadAndStopsAtOnceEvenWithAnHourPeriod)
{
    TickRecorder recorder;
    auto timer = std::make_unique<VPeriodicCallback>(
        3'600'000, std::vector<UtilsThreading::ITimerCallback*>{&recorder});
    recorder.WaitForTicks(1, 5s);
    ASSERT_EQ(recorder.Count(), 1) << "the first tick is not delayed by a period";
    EXPECT_EQ(recorder.ThreadName(), NotificationSystem::ShortThreadName("PeriodicCallback"));

    auto destroyed = std::async(std::launch::async, [&timer] { timer.reset(); });
    EXPECT_EQ(destroyed.wait_for(5s), std::future_status::ready);
}

TEST(PeriodicCallback, TickNFallsNoEarlierThanNPeriodsAfterConstruction)
{
    constexpr auto kPeriod = 20ms;
    TickRecorder recorder;
    const Clock::time_point before = Clock::now();
    VPeriodicCallback timer(kPeriod.count());
    timer.AddCallback(&recorder);
    const std::vector<Clock::time_point> ticks = recorder.WaitForTicks(5);
    ASSERT_EQ(ticks.size(), 5u);
    for (std::size_t n = 1; n < ticks.size(); ++n)
    {
        EXPECT_LT(ticks[n - 1], ticks[n]);
        EXPECT_GE(ticks[n] - before, static_cast<int>(n) * kPeriod) << "tick " << n;
    }
    timer.RemoveCallback(&recorder);
}

namespace
{
struct FirstTicks
{
    Clock::time_point created; // just before the periodic callback
    std::vector<Clock::time_point> ticks;
};

// The first three ticks of a periodic callback whose first tick overruns: it takes
// `firstTick`, as a callback on a loaded machine might.
FirstTicks RunWithALongFirstTick(std::chrono::milliseconds period,
                                 std::chrono::milliseconds firstTick)
{
    TickRecorder recorder(
        [&](int count)
        {
            if (count == 1)
                std::this_thread::sleep_for(firstTick);
        });
    FirstTicks result{Clock::now(), {}};
    VPeriodicCallback timer(period.count(), {&recorder});
    result.ticks = recorder.WaitForTicks(3);
    timer.RemoveCallback(&recorder);
    return result;
}
} // namespace

TEST(PeriodicCallback, TicksMissedDuringALongTickAreMergedNotCaughtUp)
{
    constexpr auto kPeriod = 20ms;
    constexpr auto kLongTick = 70ms;
    const auto [created, ticks] = RunWithALongFirstTick(kPeriod, kLongTick);
    ASSERT_GE(ticks.size(), 3u);
    // The three grid points missed during the long tick make one tick after it; catching up
    // would run the third tick before the fourth grid point too.
    EXPECT_GE(ticks[1] - ticks[0], kLongTick);
    EXPECT_GE(ticks[2] - created, 4 * kPeriod);
}

// The bound on the merged tick leaves it most of a period to arrive, so a loaded machine
// does not make it late.
TEST(PeriodicCallback, AfterAnOverrunOneMergedTickFollowsAtOnceThenTheGridResumes)
{
    constexpr auto kPeriod = 1000ms;
    const auto [created, ticks] = RunWithALongFirstTick(kPeriod, kPeriod + 100ms);
    ASSERT_GE(ticks.size(), 3u);
    EXPECT_LT(ticks[1] - created, 2 * kPeriod) << "the tick of the first grid point is not skipped";
    EXPECT_GE(ticks[2] - created, 2 * kPeriod) << "the next tick is back on the grid";
}

TEST(PeriodicCallback, AZeroPeriodTicksOnce)
{
    TickRecorder recorder;
    VPeriodicCallback timer(0, {&recorder});
    ASSERT_EQ(recorder.WaitForTicks(1).size(), 1u);
    EXPECT_EQ(recorder.WaitForTicks(2, 200ms).size(), 1u);
}

TEST(PeriodicCallback, ACallbackRemovedDuringATickIsNotCalledAgainNotEvenLaterInThatTick)
{
    std::promise<void> removed;
    std::atomic<int> removerCalls{0};
    std::atomic<int> victimCalls{0};
    VPeriodicCallback* timerRef = nullptr;
    TickRecorder victim;
    TickRecorder remover(
        [&](int count)
        {
            // Waits for a tick in which the victim, registered after it, is sure to be due.
            if (victim.Count() == 0)
                return;
            removerCalls = count;
            victimCalls = victim.Count();
            timerRef->RemoveCallback(&remover);
            timerRef->RemoveCallback(&victim);
            removed.set_value();
        });
    TickRecorder counter;
    VPeriodicCallback timer(10);
    timerRef = &timer;
    timer.AddCallback(&remover);
    timer.AddCallback(&victim);
    timer.AddCallback(&counter);
    ASSERT_EQ(removed.get_future().wait_for(5s), std::future_status::ready);
    WaitForAWholeTick(counter);
    timer.RemoveCallback(&counter);
    EXPECT_EQ(remover.Count(), removerCalls.load());
    EXPECT_EQ(victim.Count(), victimCalls.load());
}

TEST(PeriodicCallback, ACallbackAddedDuringATickIsCalledFromTheNextTickOn)
{
    VPeriodicCallback* timerRef = nullptr;
    std::atomic<int> ticks{0};
    std::atomic<int> tickOfFirstCall{0};
    TickRecorder added(
        [&](int count)
        {
            if (count == 1)
                tickOfFirstCall = ticks.load();
        });
    // Comes before `added` in the list, so it counts each tick before `added` is called.
    TickRecorder adder(
        [&](int count)
        {
            ticks = count;
            if (count == 1)
                timerRef->AddCallback(&added);
        });
    VPeriodicCallback timer(10);
    timerRef = &timer;
    timer.AddCallback(&adder);
    ASSERT_GE(added.WaitForTicks(1).size(), 1u);
    timer.RemoveCallback(&adder);
    timer.RemoveCallback(&added);
    EXPECT_EQ(tickOfFirstCall.load(), 2) << "first called in the tick after it was added";
}

TEST(PeriodicCallback, RemoveCallbackFromAnotherThreadWaitsForTheRunningTick)
{
    Gate gate;
    TickRecorder counter;
    TickRecorder blocker(
        [&](int count)
        {
            if (count == 1)
                gate.Wait();
        });
    VPeriodicCallback timer(10);
    timer.AddCallback(&counter);
    timer.AddCallback(&blocker);
    ASSERT_TRUE(gate.WaitForWaiters(1));
    auto remover = std::async(std::launch::async,
                              [&]
                              {
                                  timer.RemoveCallback(&blocker);
                                  return blocker.Count();
                              });
    EXPECT_EQ(remover.wait_for(50ms), std::future_status::timeout);
    gate.Open();
    ASSERT_EQ(remover.wait_for(5s), std::future_status::ready);
    // The blocked tick overran, so the merged tick that follows it at once may come first.
    const int callsWhenRemoved = remover.get();
    EXPECT_LE(callsWhenRemoved, 2);
    WaitForAWholeTick(counter);
    timer.RemoveCallback(&counter);
    EXPECT_EQ(blocker.Count(), callsWhenRemoved) << "called after RemoveCallback returned";
}
