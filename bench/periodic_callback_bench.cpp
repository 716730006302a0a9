// Pacing of the shared 100 ms periodic callback, in two runs: callbacks that return at once,
// and callbacks of which every tenth tick takes 130 ms, overrunning its period. For each run:
// ticks against the grid points that passed, mean period and the worst lateness of a tick
// behind its grid point. The baseline is a bare clock_nanosleep(TIMER_ABSTIME) loop on the
// same grid doing the same work, run alongside for the same time.
//
// bench_periodic [SECONDS]   (default 10, per run)

#include "Utils/UtilsThreading/PeriodicCallback.h"
#include "bench/Figure.h"
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
constexpr auto kSlowTick = 130ms;
constexpr std::size_t kSlowEvery = 10;

double Milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Every tenth tick of an overrunning run takes kSlowTick, as announcements to many devices
// might on a loaded machine.
void DoTickWork(bool overrun, std::size_t tickIndex)
{
    if (overrun && tickIndex % kSlowEvery == kSlowEvery / 2)
        std::this_thread::sleep_for(kSlowTick);
}

// Ticks are never early, so tick k is measured against the grid point at or before it.
// Returns the worst lateness in milliseconds.
double PrintStatistics(const char* label, Clock::time_point start, Clock::duration duration,
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
    const long long gridPoints = duration / kPeriod;
    std::printf("%-28s ticks %5zu of %5lld grid points   mean period %9.4f ms   worst lateness "
                "%8.4f ms\n",
                label, ticks.size(), gridPoints, meanMs, worstMs);
    return worstMs;
}

// Thread-bound to the periodic callback's thread while it runs; read after it is destroyed.
class TickLog : public UtilsThreading::ITimerCallback
{
public:
    explicit TickLog(bool overrun) : overrun_(overrun) {}
    void OnTimer() override
    {
        ticks.push_back(Clock::now());
        DoTickWork(overrun_, ticks.size() - 1);
    }
    std::vector<Clock::time_point> ticks;

private:
    const bool overrun_;
};

timespec ToTimespec(Clock::time_point time)
{
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch());
    return {static_cast<time_t>(ns.count() / 1'000'000'000),
            static_cast<long>(ns.count() % 1'000'000'000)};
}

// steady_clock is CLOCK_MONOTONIC on Linux, so its time points are valid deadlines here.
std::vector<Clock::time_point> SleepLoop(Clock::time_point start, Clock::time_point end,
                                         bool overrun)
{
    std::vector<Clock::time_point> ticks;
    for (Clock::time_point due = start; due < end; due += kPeriod)
    {
        const timespec deadline = ToTimespec(due);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) != 0)
        {
        }
        ticks.push_back(Clock::now());
        DoTickWork(overrun, ticks.size() - 1);
    }
    return ticks;
}

void Run(std::chrono::seconds duration, bool overrun)
{
    TickLog log(overrun);
    std::vector<Clock::time_point> baseline;
    const Clock::time_point start = Clock::now();
    std::thread sleeper([&] { baseline = SleepLoop(start, start + duration, overrun); });
    {
        // Stopped half a period before the end, so that both serve the same grid points.
        UtilsThreading::VPeriodicCallback timer(kPeriod.count(), {&log});
        std::this_thread::sleep_until(start + duration - kPeriod / 2);
    }
    sleeper.join();
    std::printf("%lld s on a %lld ms grid, %s\n", static_cast<long long>(duration.count()),
                static_cast<long long>(kPeriod.count()),
                overrun ? "every tenth tick takes 130 ms" : "ticks return at once");
    const double worstMs = PrintStatistics("VPeriodicCallback", start, duration, log.ticks);
    const double baselineWorstMs =
        PrintStatistics("clock_nanosleep baseline", start, duration, baseline);
    const std::string prefix = overrun ? "periodic.overrun." : "periodic.prompt.";
    PrintFigure(stdout, prefix + "worst_lateness", worstMs, "ms",
                prefix + "clock_nanosleep_worst_lateness", baselineWorstMs);
}
} // namespace

int main(int argc, char** argv)
{
    const int seconds = SecondsArgument(argc, argv);
    if (seconds == 0)
        return 2;
    Run(std::chrono::seconds(seconds), false);
    Run(std::chrono::seconds(seconds), true);
    return 0;
}
