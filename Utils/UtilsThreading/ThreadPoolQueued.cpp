#include "Utils/UtilsThreading/ThreadPoolQueued.h"

#include "diagnostics/Assert.h"
#include "net/ThreadName.h"

#include <algorithm>

namespace UtilsThreading
{
namespace
{
// Assertion reports carry this source text and these lines, which log searches key on.
constexpr const char* kSourceFile = "UtilsThreading\\ThreadPoolQueued";
constexpr int kThreadCountLine = 29;
constexpr int kMaximumQueueSizeLine = 62;
constexpr int kDropPolicyLine = 155;

constexpr int kMaxThreads = 256;

int CheckedThreadCount(int threadCount)
{
    if (threadCount > 0 && threadCount <= kMaxThreads)
        return threadCount;
    Farrowkit::CallAssertFailHandler("i_NumThreads > 0 && i_NumThreads <= 256", kSourceFile,
                                     kThreadCountLine);
    // Carry on with the nearest valid count: no threads, or the most we allow.
    return std::clamp(threadCount, 0, kMaxThreads);
}
} // namespace

VThreadPoolQueued::VThreadPoolQueued(const std::string& name, int threadCount) : name_(name)
{
    const int count = CheckedThreadCount(threadCount);
    threads_.reserve(count);
    for (int i = 0; i < count; ++i)
        threads_.emplace_back(&VThreadPoolQueued::RunWorker, this, i);
}

VThreadPoolQueued::~VThreadPoolQueued()
{
    std::deque<std::shared_ptr<Task>> discarded;
    {
        Lock lock(mutex_);
        stop_ = true;
        discarded.swap(queue_);
    }
    workAvailable_.notify_all();
    discarded.clear();
    for (std::thread& thread : threads_)
        thread.join();
}

void VThreadPoolQueued::Submit(Task task)
{
    auto holder = std::make_shared<Task>(std::move(task));
    Tasks dropped;
    {
        Lock lock(mutex_);
        queue_.push_back(std::move(holder));
        dropped = ApplyDropPolicy();
    }
    workAvailable_.notify_one();
}

void VThreadPoolQueued::SetMaximumQueueSize(int maximumQueueSize)
{
    if (maximumQueueSize < 0)
    {
        Farrowkit::CallAssertFailHandler("i_MaximumQueueSize >= 0", kSourceFile,
                                         kMaximumQueueSizeLine);
        return;
    }
    Tasks dropped;
    {
        Lock lock(mutex_);
        maximumQueueSize_ = maximumQueueSize;
        dropped = ApplyDropPolicy();
    }
}

void VThreadPoolQueued::SetDropPolicy(int dropPolicy)
{
    Lock lock(mutex_);
    dropPolicy_ = dropPolicy;
}

void VThreadPoolQueued::WaitUntilIdle()
{
    Lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && runningCount_ == 0; });
}

void VThreadPoolQueued::RunWorker(int index)
{
    NotificationSystem::NameCurrentThread(name_ + " thread " + std::to_string(index));
    while (std::shared_ptr<Task> task = TakeTask())
    {
        try
        {
            (*task)();
        }
        catch (...)
        {
            // A failed read-ahead must not cost the pool a worker; whoever needed the
            // result notices that it is missing.
        }
        // Released before the task counts as finished, so WaitUntilIdle also means that
        // nothing the tasks captured is still held.
        task.reset();
        FinishTask();
    }
}

// Returns the next task, counted as running, or null once the pool stops.
std::shared_ptr<VThreadPoolQueued::Task> VThreadPoolQueued::TakeTask()
{
    Lock lock(mutex_);
    workAvailable_.wait(lock, [this] { return stop_ || !queue_.empty(); });
    if (stop_)
        return nullptr;
    std::shared_ptr<Task> task = std::move(queue_.front());
    queue_.pop_front();
    ++runningCount_;
    return task;
}

void VThreadPoolQueued::FinishTask()
{
    Lock lock(mutex_);
    --runningCount_;
    if (queue_.empty() && runningCount_ == 0)
        idle_.notify_all();
}

// The caller holds `mutex_`. Returns the dropped tasks, for the caller to destroy once it has
// released the lock: what a task captured may reach back into this pool when destroyed.
VThreadPoolQueued::Tasks VThreadPoolQueued::ApplyDropPolicy()
{
    Tasks dropped;
    while (maximumQueueSize_ > 0 && queue_.size() > static_cast<std::size_t>(maximumQueueSize_))
    {
        std::shared_ptr<Task> task = TakeDropped();
        if (!task)
            break;
        dropped.push_back(std::move(task));
    }
    return dropped;
}

// The task the drop policy removes from the queue; null when the policy is unknown.
std::shared_ptr<VThreadPoolQueued::Task> VThreadPoolQueued::TakeDropped()
{
    std::shared_ptr<Task> dropped;
    switch (dropPolicy_)
    {
    case kDropOldest:
        dropped = std::move(queue_.front());
        queue_.pop_front();
        return dropped;
    case kDropNewest:
        dropped = std::move(queue_.back());
        queue_.pop_back();
        return dropped;
    default:
        Farrowkit::CallAssertFailHandler("!\"Unhandled drop policy case\"", kSourceFile,
                                         kDropPolicyLine);
        return nullptr;
    }
}
} // namespace UtilsThreading
