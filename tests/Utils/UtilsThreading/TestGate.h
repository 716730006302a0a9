#pragma once
// Holds the threads that call Wait until the test opens it, so a test decides when a
// worker or a tick becomes free again. Thread-safe.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace ThreadingTest
{
class Gate
{
public:
    void Wait()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        ++waiting_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    // Returns false if fewer than `count` threads have reached Wait within five seconds.
    bool WaitForWaiters(int count)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return waiting_ >= count; });
    }
    void Open()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int waiting_ = 0;
    bool open_ = false;
};
} // namespace ThreadingTest
