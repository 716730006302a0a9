// Pacing of the shared 100 ms periodic callback: number of ticks, mean period and the
// worst deviation of a tick from its point on the 100 ms grid. The baseline is a bare
// clock_nanosleep(TIMER_ABSTIME) loop on the same grid, run alongside for the same time.
//
// bench_periodic [SECONDS]   (default 10)

#include "Utils/UtilsThreading/PeriodicCallback.h"
#include "bench/SecondsArgument.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace
{
constexpr auto kPeriod = 100ms;

double Milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Ticks are never early, so tick k is measured against the grid point start + k × period
// at or before it.
void PrintStatistics(const char* label, Clock::time_point start,
                     const std::vector<Clock::time_point>& ticks)
{
    double worstMs = 0.0;
    for (Clock::time_point tick : ticks)
    {
        const double sinceStartMs = Milliseconds(tick - start);
        const double periodMs = Milliseconds(kPeriod);
        const double gridMs = std::floor(sinceStartMs / periodMs) * periodMs;
        worstMs = std::max(worstMs, sinceStartMs - gridMs);
    }
    const double meanMs =
        ticks.size() < 2 ? 0.0 : Milliseconds(ticks.back() - ticks.front()) / (ticks.size() - 1);
    std::printf("%-28s ticks %5zu   mean period %9.4f ms   worst grid deviation %8.4f ms\n", label,
                ticks.size(), meanMs, worstMs);
}

// Thread-bound to the periodic callback's thread while it runs; read after it is destroyed.
class TickLog : public UtilsThreading::ITimerCallback
{
public:
    void OnTimer() override { ticks.push_back(Clock::now()); }
    std::vector<Clock::time_point> ticks;
};

timespec ToTimespec(Clock::time_point time)
{
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch());
    return {static_cast<time_t>(ns.count() / 1'000'000'000),
            static_cast<long>(ns.count() % 1'000'000'000)};
}

// steady_clock is CLOCK_MONOTONIC on Linux, so its time points are valid deadlines here.
std::vector<Clock::time_point> SleepLoop(Clock::time_point start, Clock::time_point end)
{
    std::vector<Clock::time_point> ticks;
    for (Clock::time_point due = start; due < end; due += kPeriod)
    {
        const timespec deadline = ToTimespec(due);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) != 0)
        {
        }
        ticks.push_back(Clock::now());
    }
    return ticks;
}
} // namespace

int main(int argc, char** argv)
{
    const int seconds = SecondsArgument(argc, argv);
    if (seconds == 0)
        return 2;
    const auto duration = std::chrono::seconds(seconds);
    TickLog log;
    std::vector<Clock::time_point> baseline;
    const Clock::time_point baselineStart = Clock::now();
    std::thread sleeper([&] { baseline = SleepLoop(baselineStart, baselineStart + duration); });
    const Clock::time_point start = Clock::now();
    {
        UtilsThreading::VPeriodicCallback timer(kPeriod.count());
        timer.AddCallback(&log);
        sleeper.join();
    }
    std::printf("%d s on a %lld ms grid\n", seconds, static_cast<long long>(kPeriod.count()));
    PrintStatistics("VPeriodicCallback", start, log.ticks);
    PrintStatistics("clock_nanosleep baseline", baselineStart, baseline);
    return 0;
}
