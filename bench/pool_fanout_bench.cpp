// The device manager's per-frame fan-out: N no-op tasks submitted to the 16-thread pool,
// then WaitUntilIdle, for N = 16, 64 and 256 devices. The baseline is N direct calls of
// the same no-op through std::function, measured in the same run.

#include "Utils/UtilsThreading/ThreadPool.h"
#include "bench/BenchmarkFigures.h"

#include <benchmark/benchmark.h>
#include <functional>

namespace
{
void NoOp() {}

void BM_PoolFanOut(benchmark::State& state)
{
    UtilsThreading::VThreadPool pool(16, 0);
    const std::function<void()> task = NoOp;
    for (auto _ : state)
    {
        for (int64_t i = 0; i < state.range(0); ++i)
            pool.Submit(task);
        pool.WaitUntilIdle();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PoolFanOut)->Arg(16)->Arg(64)->Arg(256)->UseRealTime();

// The same frame as the device manager queues it: all tasks in one batch.
void BM_PoolFanOutBatch(benchmark::State& state)
{
    UtilsThreading::VThreadPool pool(16, 0);
    const std::function<void()> task = NoOp;
    for (auto _ : state)
    {
        pool.SubmitAll(std::vector<std::function<void()>>(state.range(0), task));
        pool.WaitUntilIdle();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PoolFanOutBatch)->Arg(16)->Arg(64)->Arg(256)->UseRealTime();

void BM_DirectCalls(benchmark::State& state)
{
    std::function<void()> task = NoOp;
    for (auto _ : state)
    {
        for (int64_t i = 0; i < state.range(0); ++i)
        {
            // Hides the target, so the call stays an indirect one as in the pool.
            benchmark::DoNotOptimize(task);
            task();
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DirectCalls)->Arg(16)->Arg(64)->Arg(256);
} // namespace

int main(int argc, char** argv)
{
    RunBenchmarksWithFigures(
        argc, argv, "pool",
        {{"BM_PoolFanOut", "BM_DirectCalls"}, {"BM_PoolFanOutBatch", "BM_DirectCalls"}});
    return 0;
}
