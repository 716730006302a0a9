// ReadFrame on a generated X2D file of 100 cameras (per camera and frame: 200 centroids,
// 20 tracks, 5 blobs, 20 edge pairs), 50 frames, on one core, beside memcpy of the same frame
// bytes in the same run. Prints the headroom against 300 frames/s.

#include "FileIO/X2DIO/X2DExport.h"
#include "FileIO/X2DIO/X2DImport.h"
#include "FileIO/X2DIO/X2DImportImpl.h"
#include "bench/BenchFile.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

using namespace X2DIO;

namespace
{
constexpr std::uint32_t kCameras = 100;
constexpr std::uint32_t kFrames = 50;
constexpr double kTargetFrameRate = 300.0;

VX2DCameraFrame MakeCameraFrame(std::uint32_t seed)
{
    VX2DCameraFrame camera;
    for (std::uint32_t i = 0; i < 200; ++i)
        camera.centroids.centroids.push_back(
            {double((seed + i * 7) % 2048), double((seed + i) % 1024), 3.5, 0.75f});
    for (std::uint32_t i = 0; i < 20; ++i)
    {
        camera.tracks.tracks.push_back({std::int64_t(seed + i), 0.5f, std::int32_t(i)});
        camera.edgePairs.edgePairs.push_back({std::uint16_t(i), std::uint16_t(seed), 7});
    }
    for (std::uint32_t blob = 0; blob < 5; ++blob)
    {
        camera.blobs.blobs.push_back({std::uint32_t(camera.blobs.lines.size()), 4, 1});
        for (std::uint16_t line = 0; line < 4; ++line)
        {
            camera.blobs.lines.push_back(
                {100, std::uint16_t(200 + line), 8, std::uint32_t(camera.blobs.pixels.size())});
            camera.blobs.pixels.insert(camera.blobs.pixels.end(), 8, std::uint8_t(seed));
        }
    }
    return camera;
}

VX2DHeaderDescription MakeHeader()
{
    VX2DHeaderDescription header;
    header.frameRate = 300.0;
    header.cameras.resize(kCameras);
    for (std::uint32_t camera = 0; camera < kCameras; ++camera)
    {
        header.cameras[camera].identifier = std::int32_t(0x3000000 + camera);
        header.cameras[camera].sensorWidth = 2048;
        header.cameras[camera].sensorHeight = 1088;
    }
    return header;
}

bool WriteRecording(const std::string& path)
{
    VX2DExport writer;
    if (!writer.Open(path, MakeHeader()))
        return false;
    for (std::uint32_t number = 0; number < kFrames; ++number)
    {
        VX2DFrame frame;
        frame.number = std::int32_t(number);
        for (std::uint32_t camera = 0; camera < kCameras; ++camera)
            frame.cameras.push_back(MakeCameraFrame(number * kCameras + camera));
        if (!writer.WriteFrame(frame))
            return false;
    }
    return writer.Close();
}

const std::string* benchFilePath = nullptr;

// The byte range of every frame, from the index table and the table's own offset.
std::vector<std::pair<std::uint64_t, std::uint64_t>> FrameRanges(const VX2DImportImpl& impl)
{
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
    const VIndexTable& index = impl.GetIndexTable();
    for (std::size_t i = 0; i < index.GetCount(); ++i)
    {
        VIndexTable::VEntry entry, next;
        index.GetEntry(std::int64_t(i), entry);
        const std::int64_t end =
            index.GetEntry(std::int64_t(i) + 1, next) ? next.offset : impl.GetIndexOffset();
        ranges.emplace_back(std::uint64_t(entry.offset), std::uint64_t(end - entry.offset));
    }
    return ranges;
}

// Frames and bytes per second of the last run of each benchmark, for the summary line.
struct VRate
{
    double framesPerSecond = 0.0;
    double bytesPerSecond = 0.0;
};
VRate readRate;
VRate memcpyRate;

// Times the benchmark loop of `state` and reports frames and file bytes per second.
class VRateMeter
{
public:
    VRateMeter(benchmark::State& state, VRate& rate)
        : state_(state), rate_(rate), start_(std::chrono::steady_clock::now())
    {
    }
    ~VRateMeter()
    {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        state_.SetItemsProcessed(std::int64_t(state_.iterations()));
        state_.SetBytesProcessed(std::int64_t(bytes_));
        if (seconds > 0.0)
            rate_ = {double(state_.iterations()) / seconds, double(bytes_) / seconds};
    }
    void Add(std::uint64_t bytes) { bytes_ += bytes; }

private:
    benchmark::State& state_;
    VRate& rate_;
    const std::chrono::steady_clock::time_point start_;
    std::uint64_t bytes_ = 0;
};

template <class TSet> std::vector<std::shared_ptr<TSet>> MakeSets()
{
    std::vector<std::shared_ptr<TSet>> sets(kCameras);
    for (std::shared_ptr<TSet>& set : sets)
        set = std::make_shared<TSet>();
    return sets;
}

void X2DReadFrame(benchmark::State& state)
{
    VX2DImport reader;
    if (!reader.Open(*benchFilePath, true))
    {
        state.SkipWithError("cannot open the benchmark file");
        return;
    }
    const auto ranges = FrameRanges(reader.GetImpl());
    CentroidSetList centroids = MakeSets<CentroidSet>();
    CentroidTrackSetList tracks = MakeSets<CentroidTrackSet>();
    GreyscaleBlobSetList blobs = MakeSets<GreyscaleBlobSet>();
    EdgePairSetList edges = MakeSets<EdgePairSet>();
    VRateMeter meter(state, readRate);
    std::size_t index = 0;
    for (auto _ : state)
    {
        if (!reader.ReadFrame(std::int32_t(index), &centroids, &tracks, &blobs, &edges))
        {
            state.SkipWithError("ReadFrame failed");
            return;
        }
        benchmark::DoNotOptimize(centroids.front()->centroids.data());
        meter.Add(ranges[index].second);
        index = (index + 1) % ranges.size();
    }
}

void MemcpyBaseline(benchmark::State& state)
{
    std::ifstream in(*benchFilePath, std::ios::binary);
    const std::vector<char> content{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
    VX2DImport reader;
    if (!reader.Open(*benchFilePath, true))
    {
        state.SkipWithError("cannot open the benchmark file");
        return;
    }
    const auto ranges = FrameRanges(reader.GetImpl());
    std::vector<char> frame;
    VRateMeter meter(state, memcpyRate);
    std::size_t index = 0;
    for (auto _ : state)
    {
        frame.resize(ranges[index].second);
        std::memcpy(frame.data(), content.data() + ranges[index].first, frame.size());
        benchmark::DoNotOptimize(frame.data());
        meter.Add(frame.size());
        index = (index + 1) % ranges.size();
    }
}

BENCHMARK(X2DReadFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(MemcpyBaseline)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv)
{
    RunBenchmarksOnFile(argc, argv, "x2d-read", WriteRecording, benchFilePath, "x2d_read",
                        {{"X2DReadFrame", "MemcpyBaseline"}});
    std::printf("ReadFrame: %.0f frames/s, %.1f MB/s, headroom %.2fx against %.0f frames/s; "
                "memcpy of the same bytes: %.1f MB/s (%.0fx the reader)\n",
                readRate.framesPerSecond, readRate.bytesPerSecond / 1e6,
                readRate.framesPerSecond / kTargetFrameRate, kTargetFrameRate,
                memcpyRate.bytesPerSecond / 1e6,
                readRate.bytesPerSecond > 0.0 ? memcpyRate.bytesPerSecond / readRate.bytesPerSecond
                                              : 0.0);
    return 0;
}
