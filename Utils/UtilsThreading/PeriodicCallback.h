#pragma once
// One thread that calls every registered ITimerCallback once per period, on a grid fixed
// at construction; the announcement server shares one between all its devices.
//
// Thread rules: thread-safe; OnTimer runs on the periodic callback's thread, which holds
// `callbacksMutex_` (guarding `callbacks_`) throughout a tick; `stopMutex_` guards `stop_`.

#include "Utils/UtilsThreading/TickGrid.h"
#include "Utils/UtilsThreading/TimerCallback.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace UtilsThreading
{
class VPeriodicCallback
{
public:
    // Ticks at once, then at construction + k × period. Grid points that pass while the
    // callbacks still run make one tick as soon as they return (not one each, and none
    // skipped); a period of 0 ticks once. Callbacks given here are registered before the
    // thread starts, so they also get the first tick (one added later may or may not,
    // depending on which thread runs first).
    explicit VPeriodicCallback(unsigned periodMs,
                               std::vector<ITimerCallback*> initialCallbacks = {});
    // Waits for a running tick to end. Must not be called from a callback.
    ~VPeriodicCallback();
    VPeriodicCallback(const VPeriodicCallback&) = delete;
    VPeriodicCallback& operator=(const VPeriodicCallback&) = delete;

    // Callbacks are called in the order they were added; adding one twice has no effect.
    // Both may be called from a callback: an added callback is called from the next tick
    // on, a removed one is not called again, not even later in the current tick. From any
    // other thread they wait for a running tick to end.
    void AddCallback(ITimerCallback* callback);
    void RemoveCallback(ITimerCallback* callback);

private:
    using Clock = VTickGrid::Clock;

    void Run();
    bool WaitUntil(Clock::time_point due);
    void Tick();
    bool IsRegistered(ITimerCallback* callback) const;

    const Clock::duration period_;
    const Clock::time_point start_;
    // Recursive so that callbacks can add and remove callbacks during the tick.
    mutable std::recursive_mutex callbacksMutex_;
    std::vector<ITimerCallback*> callbacks_;
    // Kept apart from `callbacksMutex_` so that registering never waits out a period.
    std::mutex stopMutex_;
    std::condition_variable stopRequested_;
    bool stop_ = false;
    std::thread thread_;
};
} // namespace UtilsThreading
