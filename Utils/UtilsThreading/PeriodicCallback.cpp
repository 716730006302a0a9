#include "Utils/UtilsThreading/PeriodicCallback.h"

#include "net/ThreadName.h"

#include <algorithm>

namespace UtilsThreading
{
VPeriodicCallback::VPeriodicCallback(unsigned periodMs,
                                     std::vector<ITimerCallback*> initialCallbacks)
    : period_(std::chrono::milliseconds(periodMs)), start_(Clock::now()),
      callbacks_(std::move(initialCallbacks)), thread_(&VPeriodicCallback::Run, this)
{
}

VPeriodicCallback::~VPeriodicCallback()
{
    {
        std::lock_guard<std::mutex> lock(stopMutex_);
        stop_ = true;
    }
    stopRequested_.notify_all();
    thread_.join();
}

void VPeriodicCallback::AddCallback(ITimerCallback* callback)
{
    std::lock_guard<std::recursive_mutex> lock(callbacksMutex_);
    if (!IsRegistered(callback))
        callbacks_.push_back(callback);
}

void VPeriodicCallback::RemoveCallback(ITimerCallback* callback)
{
    std::lock_guard<std::recursive_mutex> lock(callbacksMutex_);
    callbacks_.erase(std::remove(callbacks_.begin(), callbacks_.end(), callback), callbacks_.end());
}

void VPeriodicCallback::Run()
{
    NotificationSystem::NameCurrentThread("PeriodicCallback");
    VTickGrid grid(start_, period_);
    for (std::optional<Clock::time_point> due = grid.First(); due && WaitUntil(*due);
         due = grid.Next(Clock::now()))
        Tick();
}

// Returns false when the periodic callback is stopping.
bool VPeriodicCallback::WaitUntil(Clock::time_point due)
{
    std::unique_lock<std::mutex> lock(stopMutex_);
    return !stopRequested_.wait_until(lock, due, [this] { return stop_; });
}

void VPeriodicCallback::Tick()
{
    std::lock_guard<std::recursive_mutex> lock(callbacksMutex_);
    // A copy, as callbacks may change the list; membership is checked again before each call.
    const std::vector<ITimerCallback*> callbacks = callbacks_;
    for (ITimerCallback* callback : callbacks)
        if (IsRegistered(callback))
            callback->OnTimer();
}

bool VPeriodicCallback::IsRegistered(ITimerCallback* callback) const
{
    std::lock_guard<std::recursive_mutex> lock(callbacksMutex_);
    return std::find(callbacks_.begin(), callbacks_.end(), callback) != callbacks_.end();
}
} // namespace UtilsThreading
