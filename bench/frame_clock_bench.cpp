// Frame release of the sync master with 32 other devices in lock-step, at 100, 500 and
// 1000 Hz: lateness of each frame start against its due time (median, 99th percentile,
// maximum) and the achieved frame rate, beside a bare clock_nanosleep(TIMER_ABSTIME) loop
// on the same grid measured in the same run (this machine's own floor), once on a thread as
// it comes and once on a thread with the wake-up settings of the sync thread (least timer
// slack, real-time scheduling where allowed).
// Runs in a network namespace of its own (root).
//
// bench_frame_clock [SECONDS_PER_RATE]
//
// With BRISEL_LATENESS_CSV set to a path, every lateness measured is also written there as
// "rate_hz,series,lateness_us" lines (series: frame_start, floor, tightened_floor), for plots.

#include "bench/Figure.h"
#include "devices/FramePacer.h"
#include "tests/devices/TestRig.h"
#include "tests/support/NetworkNamespace.h"
#include "tests/support/QtTestLoop.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;
using BriselTest::TestDevice;

namespace
{
constexpr int kOtherDevices = 32;

struct Statistics
{
    double medianUs;
    double p99Us;
    double maxUs;
};

Statistics Summarise(std::vector<double> latenessUs)
{
    std::sort(latenessUs.begin(), latenessUs.end());
    const auto at = [&](double q)
    { return latenessUs[static_cast<std::size_t>(q * (latenessUs.size() - 1))]; };
    return {at(0.5), at(0.99), latenessUs.back()};
}

// Frame starts of the master; the clock restarts at the first frame starting 5 s or more
// after the last restart, and frame m of a restart is due m / rate after it.
std::vector<double> LatenessOf(const std::vector<Clock::time_point>& starts, double rate)
{
    std::vector<double> lateness;
    std::size_t restart = 0;
    for (std::size_t k = 1; k < starts.size(); ++k)
    {
        if (starts[k] - starts[restart] >= std::chrono::seconds(5))
        {
            restart = k;
            continue;
        }
        const std::chrono::duration<double> offset((k - restart) / rate);
        const auto due = starts[restart] + std::chrono::duration_cast<Clock::duration>(offset);
        lateness.push_back(std::chrono::duration<double, std::micro>(starts[k] - due).count());
    }
    return lateness;
}

std::vector<double> BareSleepLateness(double rate, std::chrono::seconds duration)
{
    std::vector<double> lateness;
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const long long startNs = start.tv_sec * 1000000000LL + start.tv_nsec;
    const long long periodNs = static_cast<long long>(1e9 / rate);
    for (long long k = 1; k * periodNs < duration.count() * 1000000000LL; ++k)
    {
        const long long dueNs = startNs + k * periodNs;
        const timespec due{static_cast<time_t>(dueNs / 1000000000LL),
                           static_cast<long>(dueNs % 1000000000LL)};
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr);
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        lateness.push_back((now.tv_sec * 1000000000LL + now.tv_nsec - dueNs) / 1000.0);
    }
    return lateness;
}

void Print(const char* name, const Statistics& s)
{
    std::printf("  %-28s median %8.1f us   p99 %8.1f us   max %9.1f us\n", name, s.medianUs,
                s.p99Us, s.maxUs);
}

// The lateness samples of one series at one rate, when a CSV file was asked for.
void WriteSamples(std::FILE* csv, double rate, const char* series,
                  const std::vector<double>& latenessUs)
{
    if (csv == nullptr)
        return;
    for (double lateness : latenessUs)
        std::fprintf(csv, "%.0f,%s,%.3f\n", rate, series, lateness);
}

// The sync thread wakes with tightened settings, so its floor is the tightened sleep loop.
void PrintFigures(double rate, double achieved, const Statistics& frames, const Statistics& floor)
{
    const std::string prefix = "frame_clock." + std::to_string(static_cast<int>(rate)) + "_hz.";
    PrintFigure(stdout, prefix + "achieved_rate", achieved, "Hz", prefix + "set_rate", rate);
    PrintFigure(stdout, prefix + "p99_lateness", frames.p99Us, "us",
                prefix + "tightened_clock_nanosleep_p99_lateness", floor.p99Us);
}

void MeasureRate(TestDevice& master, double rate, std::chrono::seconds duration, std::FILE* csv)
{
    std::mutex mutex;
    std::vector<Clock::time_point> starts;
    master.onFrame = [&](TestDevice&)
    {
        std::lock_guard<std::mutex> lock(mutex);
        starts.push_back(Clock::now());
    };
    master.SetParameter("SystemFrameRate", rate);
    master.SetParameter("SyncMode", 2);
    const Clock::time_point begin = Clock::now();
    QtTest::RunLoopUntil([&] { return Clock::now() - begin >= duration; },
                         duration + std::chrono::seconds(1));
    master.SetParameter("SyncMode", 3);
    QtTest::RunLoopUntil([&] { return master.GetSyncMode() == 3; });
    std::vector<Clock::time_point> frames;
    {
        std::lock_guard<std::mutex> lock(mutex);
        frames = starts;
    }
    const double seconds = std::chrono::duration<double>(frames.back() - frames.front()).count();
    const double achieved = (frames.size() - 1) / seconds;
    std::printf("%.0f Hz, %d devices besides the master, %zu frames in %.1f s: achieved %.3f Hz "
                "(%.3f %% of set)\n",
                rate, kOtherDevices, frames.size(), seconds, achieved, 100.0 * achieved / rate);
    const std::vector<double> lateness = LatenessOf(frames, rate);
    const std::vector<double> floor = BareSleepLateness(rate, duration);
    const Statistics frameStatistics = Summarise(lateness);
    Print("frame start lateness", frameStatistics);
    Print("bare clock_nanosleep (floor)", Summarise(floor));
    std::vector<double> tightened;
    std::thread(
        [&]
        {
            VFramePacer::TightenWakeUps();
            tightened = BareSleepLateness(rate, duration);
        })
        .join();
    const Statistics tightenedStatistics = Summarise(tightened);
    Print("same, tightened wake-ups", tightenedStatistics);
    PrintFigures(rate, achieved, frameStatistics, tightenedStatistics);
    WriteSamples(csv, rate, "frame_start", lateness);
    WriteSamples(csv, rate, "floor", floor);
    WriteSamples(csv, rate, "tightened_floor", tightened);
}

// The file BRISEL_LATENESS_CSV names, with its header written; none when it is not set.
std::FILE* OpenLatenessCsv()
{
    const char* path = std::getenv("BRISEL_LATENESS_CSV");
    if (path == nullptr || *path == '\0')
        return nullptr;
    std::FILE* csv = std::fopen(path, "w");
    if (csv == nullptr)
    {
        std::fprintf(stderr, "bench_frame_clock: cannot write %s\n", path);
        return nullptr;
    }
    std::fprintf(csv, "rate_hz,series,lateness_us\n");
    return csv;
}
} // namespace

int main(int argc, char** argv)
{
    const std::string error = BriselTest::EnterFreshNetworkNamespace();
    if (!error.empty())
    {
        std::fprintf(stderr, "bench_frame_clock: %s\n", error.c_str());
        return 1;
    }
    QCoreApplication application(argc, argv);
    const std::chrono::seconds duration(argc > 1 ? std::max(1, std::atoi(argv[1])) : 10);
    BriselTest::TestRig rig;
    TestDevice& master = rig.AddDevice();
    BriselTest::TestRig::Connect(master);
    for (int i = 0; i < kOtherDevices; ++i)
        BriselTest::TestRig::Connect(rig.AddDevice());
    std::FILE* csv = OpenLatenessCsv();
    for (double rate : {100.0, 500.0, 1000.0})
        MeasureRate(master, rate, duration, csv);
    if (csv != nullptr)
        std::fclose(csv);
    return 0;
}
