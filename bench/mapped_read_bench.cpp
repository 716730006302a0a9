// Sequential read of a 256 MiB trial-sized file in 64 KiB chunks through the memory-mapped stream
// (64 MiB windows, two views), beside memcpy of the same bytes from memory in the same run.

#include "Utils/UtilsIO/MemoryMappedStream.h"
#include "bench/BenchFile.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <fstream>
#include <vector>

namespace
{

constexpr std::size_t kFileSize = std::size_t{256} << 20;
constexpr std::size_t kChunk = std::size_t{64} << 10;

std::vector<char> MakeContent()
{
    std::vector<char> content(kFileSize);
    for (std::size_t i = 0; i < content.size(); ++i)
    {
        content[i] = static_cast<char>(i * 131 + (i >> 12));
    }
    return content;
}

const std::vector<char>& Content()
{
    static const std::vector<char> content = MakeContent();
    return content;
}

bool WriteContent(const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    out.write(Content().data(), kFileSize);
    return bool(out);
}

const std::string* benchFilePath = nullptr;

void MappedStreamRead(benchmark::State& state)
{
    UtilsIO::VMemoryMappedFileReadOnly stream(64, 2);
    if (!stream.Open(*benchFilePath))
    {
        state.SkipWithError("cannot open the benchmark file");
        return;
    }
    std::vector<char> chunk(kChunk);
    for (auto _ : state)
    {
        stream.Seek(0);
        while (stream.Read(kChunk, chunk.data()) == kChunk)
        {
            benchmark::DoNotOptimize(chunk.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
    state.counters["swaps/pass"] =
        static_cast<double>(stream.GetSwaps()) / static_cast<double>(state.iterations());
}

void MemcpyBaseline(benchmark::State& state)
{
    const std::vector<char>& content = Content();
    std::vector<char> chunk(kChunk);
    for (auto _ : state)
    {
        for (std::size_t offset = 0; offset < kFileSize; offset += kChunk)
        {
            std::memcpy(chunk.data(), content.data() + offset, kChunk);
            benchmark::DoNotOptimize(chunk.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}

BENCHMARK(MappedStreamRead)->Unit(benchmark::kMillisecond);
BENCHMARK(MemcpyBaseline)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    RunBenchmarksOnFile(argc, argv, "mapped-read", WriteContent, benchFilePath, "mapped_read",
                        {{"MappedStreamRead", "MemcpyBaseline"}});
    return 0;
}
