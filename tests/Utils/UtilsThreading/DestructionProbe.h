#pragma once
// A task capture whose destruction needs another thread to get through a call into the
// pool: the capture's destructor announces itself, then waits (at most five seconds) for
// CallDone(). A pool that destroys tasks under its own lock holds that call off until the
// wait has timed out. Thread-safe.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace ThreadingTest
{
class DestructionProbe
{
public:
    // Capture it in one task only: destroying it starts the wait.
    std::shared_ptr<void> Capture() { return std::make_shared<Capture_>(*this); }

    // Returns false if no capture has begun to be destroyed within five seconds.
    bool WaitForDestruction()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, kPatience, [this] { return destroying_; });
    }
    void CallDone()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        callDone_ = true;
        changed_.notify_all();
    }
    // Once the destructor has finished: whether CallDone came while it was still waiting.
    bool CallGotThrough()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return finished_; });
        return gotThrough_;
    }

private:
    static constexpr std::chrono::seconds kPatience{5};

    struct Capture_
    {
        explicit Capture_(DestructionProbe& probe) : probe(probe) {}
        ~Capture_() { probe.Destroying(); }
        DestructionProbe& probe;
    };

    void Destroying()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        destroying_ = true;
        changed_.notify_all();
        gotThrough_ = changed_.wait_for(lock, kPatience, [this] { return callDone_; });
        finished_ = true;
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool destroying_ = false;
    bool callDone_ = false;
    bool gotThrough_ = false;
    bool finished_ = false;
};
} // namespace ThreadingTest
