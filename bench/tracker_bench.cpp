// The centroid tracker in steady tracking: 1000 centroids of a 2048 × 1088 camera at 100 Hz
// (spreads as the centroid source sets them), each moving slightly every frame, all keeping
// their tracks. The baseline, in the same run, sorts the same 1000 centroids by y the way
// the tracker must each frame: its unavoidable floor. Prints both per frame and their ratio.
//
// bench_tracker [Google Benchmark options]

#include "bench/BenchmarkFigures.h"
#include "devices/camera/HardwareCentroidTracker.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <time.h>
#include <vector>

using CoreSarnetAlgo::TrackEntry;
using CoreSarnetAlgo::VHardwareCentroidTracker;
using X2DIO::Centroid;

namespace
{
constexpr int kCentroids = 1000;
constexpr std::int32_t kSensorWidth = 2048;
constexpr std::int32_t kSensorHeight = 1088;
constexpr double kRate = 100.0;

// A 40 × 25 grid with some jitter, in a shuffled order as a file may hold them.
std::vector<Centroid> MakeCentroids()
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> jitter(-5.0, 5.0);
    std::vector<Centroid> centroids;
    for (int i = 0; i < kCentroids; ++i)
        centroids.push_back({25.0 + 50.0 * (i % 40) + jitter(random),
                             20.0 + 42.0 * (i / 40) + jitter(random), 3.0, 0.7f});
    std::shuffle(centroids.begin(), centroids.end(), random);
    return centroids;
}

// Everything drifts along a slow circle, about 0.6 px a frame.
void Move(std::vector<Centroid>& centroids, std::int64_t frame)
{
    const double angle = 0.01 * double(frame);
    const double dx = 0.6 * std::cos(angle);
    const double dy = 0.6 * std::sin(angle);
    for (Centroid& centroid : centroids)
    {
        centroid.x += dx;
        centroid.y += dy;
    }
}

// CPU microseconds per frame of the last run of each benchmark, for the summary line; CPU
// time, as the machine is shared and the wall time also counts other processes.
double trackMicroseconds = 0.0;
double sortMicroseconds = 0.0;

double ThreadCpuMicroseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

class VFrameTimer
{
public:
    VFrameTimer(benchmark::State& state, double& microseconds)
        : state_(state), microseconds_(microseconds), start_(ThreadCpuMicroseconds())
    {
    }
    ~VFrameTimer()
    {
        const double elapsed = ThreadCpuMicroseconds() - start_;
        state_.SetItemsProcessed(std::int64_t(state_.iterations()) * kCentroids);
        if (state_.iterations() > 0)
            microseconds_ = elapsed / double(state_.iterations());
    }

private:
    benchmark::State& state_;
    double& microseconds_;
    const double start_;
};

void TrackSteadyFrames(benchmark::State& state)
{
    VHardwareCentroidTracker tracker(kRate, {0, 0, kSensorWidth, kSensorHeight}, "lume:1",
                                     CoreSarnetAlgo::VHardwareCentroidTrackerParams{});
    tracker.SetNextId(0x8000000000000000);
    tracker.SetYoungSpread(kSensorWidth * 5 * 0.01);
    tracker.SetMatureSpread(kSensorWidth * 5 * 0.01 / 3);
    tracker.SetRadiusSpread(10.0);
    std::vector<Centroid> centroids = MakeCentroids();
    std::vector<TrackEntry> result;
    std::int64_t frame = 0;
    for (; frame < 3; ++frame, Move(centroids, frame))
        tracker.Track(centroids, frame, result);
    const std::uint64_t firstNewId = tracker.GetNextId();
    {
        VFrameTimer timer(state, trackMicroseconds);
        for (auto _ : state)
        {
            Move(centroids, frame);
            tracker.Track(centroids, frame++, result);
            benchmark::DoNotOptimize(result.data());
        }
    }
    if (tracker.GetNextId() != firstNewId)
        state.SkipWithError("tracks were lost in steady tracking");
}

// What the tracker sorts: each centroid's y, x and index, ordered by y, then index.
struct VByY
{
    double y;
    double x;
    std::uint32_t index;
};

void SortByYBaseline(benchmark::State& state)
{
    std::vector<Centroid> centroids = MakeCentroids();
    std::vector<VByY> byY;
    std::int64_t frame = 3;
    VFrameTimer timer(state, sortMicroseconds);
    for (auto _ : state)
    {
        Move(centroids, frame++);
        byY.clear();
        for (std::uint32_t index = 0; index < centroids.size(); ++index)
            byY.push_back({centroids[index].y, centroids[index].x, index});
        std::sort(byY.begin(), byY.end(),
                  [](const VByY& left, const VByY& right)
                  { return left.y < right.y || (left.y == right.y && left.index < right.index); });
        benchmark::DoNotOptimize(byY.data());
    }
}

BENCHMARK(TrackSteadyFrames)->Unit(benchmark::kMicrosecond);
BENCHMARK(SortByYBaseline)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv)
{
    RunBenchmarksWithFigures(argc, argv, "tracker", {{"TrackSteadyFrames", "SortByYBaseline"}});
    std::printf("Track: %.1f us CPU per frame of %d centroids; sorting them by y: %.1f us "
                "(the tracker costs %.1fx its sort)\n",
                trackMicroseconds, kCentroids, sortMicroseconds,
                sortMicroseconds > 0.0 ? trackMicroseconds / sortMicroseconds : 0.0);
    return 0;
}
