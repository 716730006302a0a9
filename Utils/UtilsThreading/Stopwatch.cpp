#include "Utils/UtilsThreading/Stopwatch.h"

namespace UtilsThreading
{
namespace
{
using Clock = std::chrono::steady_clock;

float MicrosecondsSince(Clock::time_point start)
{
    return std::chrono::duration<float, std::micro>(Clock::now() - start).count();
}
} // namespace

void tsl_timer::Start()
{
    start_ = Clock::now();
    running_ = true;
}

void tsl_timer::Stop()
{
    if (!running_)
        return;
    accumulatedUs_ += MicrosecondsSince(start_);
    running_ = false;
}

void tsl_timer::Reset()
{
    *this = tsl_timer();
}

float tsl_timer::Microseconds() const
{
    return running_ ? MicrosecondsSince(start_) : accumulatedUs_;
}

float tsl_timer::Milliseconds() const
{
    return Microseconds() / 1e3f;
}

float tsl_timer::Seconds() const
{
    return Microseconds() / 1e6f;
}

std::ostream& operator<<(std::ostream& out, const tsl_timer& timer)
{
    return out << "tsl_timer : " << timer.Milliseconds() << " msec elapsed";
}

void VStopwatch::Start()
{
    start_ = Clock::now();
    running_ = true;
}

void VStopwatch::Stop()
{
    if (!running_)
        return;
    totalNs_ = ElapsedNs();
    running_ = false;
}

std::int64_t VStopwatch::ElapsedNs() const
{
    if (!running_)
        return totalNs_;
    return totalNs_ +
           std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start_).count();
}

double VStopwatch::Nanoseconds() const
{
    return static_cast<double>(ElapsedNs());
}

double VStopwatch::Microseconds() const
{
    return Nanoseconds() / 1e3;
}

double VStopwatch::Milliseconds() const
{
    return Nanoseconds() / 1e6;
}

double VStopwatch::Seconds() const
{
    return Nanoseconds() / 1e9;
}

std::ostream& operator<<(std::ostream& out, const VStopwatch& stopwatch)
{
    return out << "Timer : " << stopwatch.Milliseconds() << "ms";
}
} // namespace UtilsThreading
