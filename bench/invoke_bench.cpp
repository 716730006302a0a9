// Latency of EventSystem::Invoke from a worker thread until the function runs on the Qt
// main thread, beside a bare queued QMetaObject::invokeMethod call measured in the same
// run. Each call waits for the previous one to have run, so latencies do not queue up.
//
// bench_invoke [CALLS]

#include "Framework/EventSystem/EventManagerQt.h"
#include "Framework/EventSystem/Invoke.h"
#include "bench/Figure.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace
{
// Hands one "it ran" signal at a time from the main thread back to the worker.
class Turnstile
{
public:
    void Pass()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        passed_ = true;
        changed_.notify_one();
    }
    void WaitAndReset()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return passed_; });
        passed_ = false;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool passed_ = false;
};

using Post = std::function<void(std::function<void()>)>;

std::vector<double> MeasureMicroseconds(int calls, const Post& post)
{
    std::vector<double> latencies;
    Turnstile turnstile;
    for (int i = 0; i < calls; ++i)
    {
        const Clock::time_point sent = Clock::now();
        post(
            [&latencies, &turnstile, sent]
            {
                latencies.push_back(
                    std::chrono::duration<double, std::micro>(Clock::now() - sent).count());
                turnstile.Pass();
            });
        turnstile.WaitAndReset();
    }
    return latencies;
}

// Prints the statistics of `latencies` and returns their median.
double Report(const char* name, std::vector<double> latencies)
{
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q)
    { return latencies[static_cast<std::size_t>(q * (latencies.size() - 1))]; };
    std::printf("%-44s median %7.1f us   p99 %7.1f us   max %8.1f us\n", name, at(0.5), at(0.99),
                latencies.back());
    return at(0.5);
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const int calls = argc > 1 ? std::max(100, std::atoi(argv[1])) : 20000;
    VEventManagerQt manager;
    QObject target;
    std::vector<double> invoke, baseline;
    std::thread worker(
        [&]
        {
            for (int round = 0; round < 2; ++round)
            {
                baseline = MeasureMicroseconds(
                    calls / 2, [&](std::function<void()> f)
                    { QMetaObject::invokeMethod(&target, std::move(f), Qt::QueuedConnection); });
                invoke = MeasureMicroseconds(calls / 2, [&](std::function<void()> f)
                                             { EventSystem::Invoke(manager, std::move(f)); });
            }
            QMetaObject::invokeMethod(&application, &QCoreApplication::quit, Qt::QueuedConnection);
        });
    application.exec();
    worker.join();
    std::printf("%d calls each, worker thread to main thread\n", calls / 2);
    const double baselineMedian = Report("QMetaObject::invokeMethod queued (baseline)", baseline);
    const double invokeMedian = Report("EventSystem::Invoke", invoke);
    PrintFigure(stdout, "invoke.median_latency", invokeMedian, "us", "invoke.queued_invoke_method",
                baselineMedian);
    return 0;
}
