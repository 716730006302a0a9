#pragma once
// A fixed set of worker threads running submitted tasks in FIFO order. The device
// manager runs one frame step of every non-master device on it each frame and waits
// until all are done, so no thread is ever created per frame.
//
// Thread rules: thread-safe. `mutex_` guards `queue_`, `idleCount_` and `stopping_`;
// tasks run and are destroyed without it, so what a task captured may use the pool from its
// destructor.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace UtilsThreading
{
class VThreadPool
{
public:
    using Task = std::function<void()>;

    // `priority` is the platform priority number of the workers (0 = normal); threads on
    // Linux keep the normal priority.
    VThreadPool(unsigned threadCount, int priority);
    // Stops the workers once their current task ends; tasks not yet started are dropped.
    ~VThreadPool();
    VThreadPool(const VThreadPool&) = delete;
    VThreadPool& operator=(const VThreadPool&) = delete;

    void Submit(Task task);
    // Queues several tasks at once: one lock and one wake-up round instead of one per task,
    // which is what a frame fan-out to every device wants.
    void SubmitAll(std::vector<Task> tasks);
    // Waits until at least one worker is idle before queueing the task.
    void SubmitWhenIdle(Task task);
    // Waits until every worker is idle and the queue is empty.
    void WaitUntilIdle();

private:
    void RunWorker(unsigned index);
    bool TakeTask(Task& task);

    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable threadIdle_;
    std::deque<Task> queue_;
    const unsigned threadCount_;
    unsigned idleCount_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
} // namespace UtilsThreading
