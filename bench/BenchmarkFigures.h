#pragma once
// Google Benchmark programs state their figures the way the other benchmarks do (see
// Figure.h): the console table as usual, then one figure line per benchmark, each beside the
// benchmark measured in the same run as its baseline. A benchmark's value is its real time when
// it asks for real time and its CPU time otherwise, per iteration, in its time unit.
//
// Thread-bound to the thread that runs the benchmarks.

#include <benchmark/benchmark.h>

#include <map>
#include <ostream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

// Benchmark function names: {measured, its baseline}. Runs with the same arguments pair up.
using BaselinePairs = std::vector<std::pair<std::string, std::string>>;

class FigureReporter : public benchmark::ConsoleReporter
{
public:
    // Figure names are `prefix` + "." + the benchmark's name.
    FigureReporter(std::string prefix, BaselinePairs baselines)
        : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Color : OO_None), prefix_(std::move(prefix)),
          baselines_(std::move(baselines))
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                Note(run);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const auto& [key, measured] : measured_)
            PrintFigureOf(key, measured);
    }

private:
    struct Measured
    {
        double value;
        std::string unit;
    };

    // The function name and arguments, without the "real_time" mark, so that a benchmark in
    // real time pairs with a baseline in CPU time.
    static std::string KeyOf(const Run& run)
    {
        const auto& name = run.run_name;
        return name.args.empty() ? name.function_name : name.function_name + "/" + name.args;
    }

    void Note(const Run& run)
    {
        const bool realTime = !run.run_name.time_type.empty();
        measured_[KeyOf(run)] = {realTime ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime(),
                                 benchmark::GetTimeUnitString(run.time_unit)};
    }

    // Whether `key` is a run of the benchmark function `function`.
    static bool IsRunOf(const std::string& key, const std::string& function)
    {
        return key.compare(0, function.size(), function) == 0 &&
               (key.size() == function.size() || key[function.size()] == '/');
    }

    // The baseline's key for `key`, or empty when `key` has no baseline.
    std::string BaselineKeyOf(const std::string& key) const
    {
        for (const auto& [function, baseline] : baselines_)
            if (IsRunOf(key, function))
                return baseline + key.substr(function.size());
        return {};
    }

    bool IsBaseline(const std::string& key) const
    {
        for (const auto& pair : baselines_)
            if (IsRunOf(key, pair.second))
                return true;
        return false;
    }

    void PrintFigureOf(const std::string& key, const Measured& measured)
    {
        if (IsBaseline(key))
            return;
        std::ostream& out = GetOutputStream();
        out << "figure name=" << prefix_ << "." << key << " value=" << measured.value
            << " unit=" << measured.unit;
        const auto baseline = measured_.find(BaselineKeyOf(key));
        if (baseline != measured_.end())
            out << " baseline=" << prefix_ << "." << baseline->first
                << " baseline_value=" << baseline->second.value;
        out << "\n";
    }

    const std::string prefix_;
    const BaselinePairs baselines_;
    std::map<std::string, Measured> measured_;
};

// Runs the benchmarks registered in this program with the options on its command line,
// printing the console table and the figure lines.
inline void RunBenchmarksWithFigures(int argc, char** argv, const std::string& prefix,
                                     const BaselinePairs& baselines)
{
    benchmark::Initialize(&argc, argv);
    FigureReporter reporter(prefix, baselines);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
