// How long `briselCL -x2d missing.x2d` takes from spawn until it is ready ("Press Ctrl-C
// to quit") and from SIGINT until it has exited, beside the cost of spawning and reaping
// /bin/true measured in the same run. Runs in a network namespace of its own (root).
//
// bench_startstop [RUNS]

#include "bench/Figure.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/NetworkNamespace.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <tuple>
#include <vector>

using BriselTest::ChildProcess;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace
{
double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Summary
{
    double median;
    double worst;
};

Summary Summarise(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples.back()};
}

double SpawnTrue()
{
    const Clock::time_point start = Clock::now();
    ChildProcess process("/bin/true", {});
    process.WaitForExit(10s);
    return MillisecondsSince(start);
}

// Returns false when briselCL did not start or stop cleanly.
bool StartAndStop(double& startMs, double& stopMs)
{
    const Clock::time_point start = Clock::now();
    ChildProcess process(BRISELCL_PATH, {"-x2d", "missing.x2d"});
    if (!process.WaitForOutput("Press Ctrl-C to quit", 10s))
        return false;
    startMs = MillisecondsSince(start);
    const Clock::time_point stop = Clock::now();
    process.Signal(SIGINT);
    const auto status = process.WaitForExit(10s);
    stopMs = MillisecondsSince(stop);
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}
} // namespace

int main(int argc, char** argv)
{
    const std::string error = BriselTest::EnterFreshNetworkNamespace();
    if (!error.empty())
    {
        std::fprintf(stderr, "bench_startstop: %s\n", error.c_str());
        return 1;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    std::vector<double> spawn, start, stop, total;
    for (int i = 0; i < runs; ++i)
    {
        double startMs = 0, stopMs = 0;
        if (!StartAndStop(startMs, stopMs))
        {
            std::fprintf(stderr, "bench_startstop: run %d did not start and stop cleanly\n", i);
            return 1;
        }
        start.push_back(startMs);
        stop.push_back(stopMs);
        total.push_back(startMs + stopMs);
        spawn.push_back(SpawnTrue());
    }
    const Summary baseline = Summarise(spawn);
    std::printf("%d runs; milliseconds, median / worst\n", runs);
    std::printf("spawn+reap /bin/true (baseline)  %7.2f / %7.2f\n", baseline.median,
                baseline.worst);
    for (const auto& [name, figure, samples] :
         {std::tuple{"briselCL start to ready       ", "startstop.start_to_ready", start},
          std::tuple{"briselCL SIGINT to exit       ", "startstop.sigint_to_exit", stop},
          std::tuple{"briselCL start and stop       ", "startstop.start_and_stop", total}})
    {
        const Summary summary = Summarise(samples);
        std::printf("%s  %7.2f / %7.2f  (%.1fx baseline)\n", name, summary.median, summary.worst,
                    summary.median / baseline.median);
        PrintFigure(stdout, figure, summary.median, "ms", "startstop.spawn_true", baseline.median);
    }
    return 0;
}
