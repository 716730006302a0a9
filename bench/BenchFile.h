#pragma once
// A file made under /tmp for one benchmark run and removed when the run ends, and the main() of
// a benchmark program that reads such a file. Thread-bound to the caller.

#include "bench/BenchmarkFigures.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <stdlib.h>
#include <string>
#include <unistd.h>

// Writes the benchmark's content to `path`; false when it could not.
using BenchFileWriter = std::function<bool(const std::string& path)>;

class BenchFile
{
public:
    // `name` goes into the file's name. Throws when the file cannot be made or written.
    BenchFile(const std::string& name, const BenchFileWriter& write)
    {
        std::string pattern = "/tmp/brisel-" + name + "-XXXXXX";
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0)
            throw std::runtime_error("cannot create the benchmark file");
        ::close(fd);
        path_ = pattern;
        if (!write(path_))
        {
            std::remove(path_.c_str());
            throw std::runtime_error("cannot write the benchmark file");
        }
    }
    ~BenchFile() { std::remove(path_.c_str()); }
    BenchFile(const BenchFile&) = delete;
    BenchFile& operator=(const BenchFile&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Runs the benchmarks registered in this program, with the options on its command line and
// figure lines named by `prefix` and `baselines` (see BenchmarkFigures.h), while a BenchFile
// made by `name` and `write` exists; `filePath` points at its path meanwhile.
inline void RunBenchmarksOnFile(int argc, char** argv, const std::string& name,
                                const BenchFileWriter& write, const std::string*& filePath,
                                const std::string& prefix, const BaselinePairs& baselines)
{
    const BenchFile file(name, write);
    filePath = &file.Path();
    RunBenchmarksWithFigures(argc, argv, prefix, baselines);
    filePath = nullptr;
}
