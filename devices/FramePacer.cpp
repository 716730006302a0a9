#include "devices/FramePacer.h"

#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>

void VFramePacer::BeginFrame(double rate)
{
    const Clock::time_point now = Clock::now();
    if (rate != rate_ || now - restart_ >= kRestartInterval)
    {
        restart_ = now;
        pacedFrames_ = 0;
    }
    rate_ = rate;
}

VFramePacer::Clock::time_point VFramePacer::GetDueTime() const
{
    const std::chrono::duration<double> sinceRestart((pacedFrames_ + 1) / rate_);
    return restart_ + std::chrono::ceil<Clock::duration>(sinceRestart);
}

bool VFramePacer::WaitForRelease()
{
    const bool running = WaitUntil(GetDueTime());
    ++pacedFrames_;
    return running;
}

bool VFramePacer::Pause(Clock::duration duration)
{
    rate_ = 0.0;
    return WaitUntil(Clock::now() + duration);
}

bool VFramePacer::WaitUntil(Clock::time_point deadline)
{
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait_until(lock, deadline, [this] { return stopped_; });
    return !stopped_;
}

void VFramePacer::Stop()
{
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    wake_.notify_all();
}

bool VFramePacer::IsStopped() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return stopped_;
}

// Without the privilege for real-time scheduling the thread keeps its normal priority; the
// small timer slack alone already removes most of the default wake-up delay.
void VFramePacer::TightenWakeUps()
{
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    const sched_param priority{kRealTimePriority};
    ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &priority);
}
