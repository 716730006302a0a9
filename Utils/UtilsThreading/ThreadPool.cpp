#include "Utils/UtilsThreading/ThreadPool.h"

#include "net/ThreadName.h"

#include <string>

namespace UtilsThreading
{
VThreadPool::VThreadPool(unsigned threadCount, int /*priority*/) : threadCount_(threadCount)
{
    threads_.reserve(threadCount);
    for (unsigned i = 0; i < threadCount; ++i)
        threads_.emplace_back(&VThreadPool::RunWorker, this, i);
}

VThreadPool::~VThreadPool()
{
    std::deque<Task> unstarted;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        unstarted.swap(queue_);
    }
    workAvailable_.notify_all();
    unstarted.clear();
    for (std::thread& thread : threads_)
        thread.join();
}

void VThreadPool::Submit(Task task)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(task));
    }
    workAvailable_.notify_one();
}

void VThreadPool::SubmitAll(std::vector<Task> tasks)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (Task& task : tasks)
            queue_.push_back(std::move(task));
    }
    if (tasks.size() == 1)
        workAvailable_.notify_one();
    else if (!tasks.empty())
        workAvailable_.notify_all();
}

void VThreadPool::SubmitWhenIdle(Task task)
{
    {
        std::unique_lock<std::mutex> lock(mutex_);
        threadIdle_.wait(lock, [this] { return idleCount_ > 0; });
        queue_.push_back(std::move(task));
    }
    workAvailable_.notify_one();
}

void VThreadPool::WaitUntilIdle()
{
    std::unique_lock<std::mutex> lock(mutex_);
    threadIdle_.wait(lock, [this] { return idleCount_ == threadCount_ && queue_.empty(); });
}

void VThreadPool::RunWorker(unsigned index)
{
    NotificationSystem::NameCurrentThread("Pool Thread " + std::to_string(index + 1) + " of " +
                                          std::to_string(threadCount_));
    Task task;
    while (TakeTask(task))
    {
        task();
        task = nullptr; // destroyed before the worker takes the lock again
    }
}

// Counts the worker idle until the next task arrives, then busy again; false once the pool
// stops. The previous task has been destroyed by then, so WaitUntilIdle also means that
// nothing the tasks captured is still held.
bool VThreadPool::TakeTask(Task& task)
{
    std::unique_lock<std::mutex> lock(mutex_);
    ++idleCount_;
    // The waiters want either one idle worker or all of them.
    if (idleCount_ == threadCount_ || idleCount_ == 1)
        threadIdle_.notify_all();
    workAvailable_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_)
        return false;
    --idleCount_;
    task = std::move(queue_.front());
    queue_.pop_front();
    return true;
}
} // namespace UtilsThreading
