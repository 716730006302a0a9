#pragma once
// Worker threads fed from a FIFO queue with an optional maximum length: once the queue is
// longer than that, the drop policy discards the oldest or the newest waiting task. The
// trial-file reader reads ahead on it and would rather lose stale read-ahead than fall behind.
//
// Thread rules: thread-safe. `mutex_` guards `stop_`, `queue_`, `runningCount_`,
// `maximumQueueSize_` and `dropPolicy_`; tasks run and are destroyed without it, so what a
// task captured may use the pool from its destructor.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace UtilsThreading
{
class VThreadPoolQueued
{
public:
    using Task = std::function<void()>;

    // Values of the drop policy.
    static constexpr int kDropOldest = 0;
    static constexpr int kDropNewest = 1;

    // `threadCount` must be in 1..256; the workers are named "<name> thread <i>".
    VThreadPoolQueued(const std::string& name, int threadCount);
    // Stops the workers once their current task ends; queued tasks are discarded.
    ~VThreadPoolQueued();
    VThreadPoolQueued(const VThreadPoolQueued&) = delete;
    VThreadPoolQueued& operator=(const VThreadPoolQueued&) = delete;

    void Submit(Task task);
    // 0 (the default) leaves the queue unbounded; a smaller maximum drops at once.
    void SetMaximumQueueSize(int maximumQueueSize);
    // Takes effect at the next Submit or SetMaximumQueueSize. Default kDropOldest.
    void SetDropPolicy(int dropPolicy);
    // Waits until the queue is empty and no task is running.
    void WaitUntilIdle();

private:
    using Lock = std::unique_lock<std::mutex>;
    using Tasks = std::vector<std::shared_ptr<Task>>;

    void RunWorker(int index);
    std::shared_ptr<Task> TakeTask();
    void FinishTask();
    Tasks ApplyDropPolicy();
    std::shared_ptr<Task> TakeDropped();

    const std::string name_;
    std::mutex mutex_;
    std::condition_variable workAvailable_;
    // Separate from `workAvailable_` so that Submit's single wake-up always reaches a worker.
    std::condition_variable idle_;
    bool stop_ = false;
    std::deque<std::shared_ptr<Task>> queue_;
    int runningCount_ = 0;
    int maximumQueueSize_ = 0;
    int dropPolicy_ = kDropOldest;
    std::vector<std::thread> threads_;
};
} // namespace UtilsThreading
