#include "Utils/UtilsThreading/ThreadPoolQueued.h"

#include "diagnostics/Assert.h"
#include "net/ThreadName.h"

#include <algorithm>

namespace UtilsThreading
{
namespace
{
// Assertion reports carry these fixed positions, which log searches key on.
constexpr const char* kSourceFile = "Utils/UtilsThreading/ThreadPoolQueued.cpp";
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
    {
        Lock lock(mutex_);
        stop_ = true;
    }
    workAvailable_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void VThreadPoolQueued::Submit(Task task)
{
    auto holder = std::make_shared<Task>(std::move(task));
    {
        Lock lock(mutex_);
        queue_.push_back(std::move(holder));
        ApplyDropPolicy();
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
    Lock lock(mutex_);
    maximumQueueSize_ = maximumQueueSize;
    ApplyDropPolicy();
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

// The caller holds `mutex_`.
void VThreadPoolQueued::ApplyDropPolicy()
{
    while (maximumQueueSize_ > 0 && queue_.size() > static_cast<std::size_t>(maximumQueueSize_))
        if (!DropOne())
            return;
}

// Returns false when the policy is unknown and nothing was dropped.
bool VThreadPoolQueued::DropOne()
{
    // Moved out first so that the task is destroyed after the queue is consistent again.
    std::shared_ptr<Task> dropped;
    switch (dropPolicy_)
    {
    case kDropOldest:
        dropped = std::move(queue_.front());
        queue_.pop_front();
        return true;
    case kDropNewest:
        dropped = std::move(queue_.back());
        queue_.pop_back();
        return true;
    default:
        Farrowkit::CallAssertFailHandler("!\"Unhandled drop policy case\"", kSourceFile,
                                         kDropPolicyLine);
        return false;
    }
}
} // namespace UtilsThreading
