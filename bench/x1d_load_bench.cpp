// Loading a whole X1D recording into memory, as the analogue replay keeps it: every frame
// read through VX1DImport into block frames. Prints the load speed and the peak memory,
// beside plain read() of the same file into one buffer measured in the same run, once into fresh
// memory (as the loader fills memory it allocates) and once into pages touched beforehand.
//
// bench_x1d_load [MEGABYTES]     default 500; the file is written to /tmp and removed

#include "FileIO/AnalogueBlockFrame.h"
#include "FileIO/X1DExport.h"
#include "FileIO/X1DImport.h"
#include "bench/Figure.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace
{
constexpr std::uint32_t kDevices = 2;
constexpr std::uint32_t kBlockBytes = 64 * 1024; // one sub-frame of one device

double PeakResidentMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// The current resident memory of one kind from /proc/self/status ("RssAnon:", "RssFile:").
double ResidentMiB(const char* kind)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(kind, 0) == 0)
            return std::atof(line.c_str() + std::strlen(kind)) / 1024.0;
    return 0.0;
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool WriteRecording(const std::string& path, std::uint32_t frames)
{
    VAnalogueSourceSetHeader header;
    std::vector<VAnalogueSourceSetSpec> sets(kDevices);
    for (std::uint32_t i = 0; i < kDevices; ++i)
        sets[i] = {std::int32_t(i + 1), "box", "", 0, 0, 0, {{1}, {2}, {3}, {4}}};
    header.SetSourceSets(sets);
    VX1DExport writer;
    if (!writer.Open(path, header))
        return false;
    std::vector<std::uint8_t> bytes(kBlockBytes);
    VAnalogueBlockFrame frame;
    frame.Resize(kDevices);
    for (std::uint32_t number = 0; number < frames; ++number)
    {
        std::fill(bytes.begin(), bytes.end(), static_cast<std::uint8_t>(number));
        for (std::uint32_t device = 0; device < kDevices; ++device)
        {
            frame.GetSet(device).Clear();
            frame.GetSet(device).Append({bytes.data(), kBlockBytes});
        }
        if (!writer.WriteFrame(static_cast<std::int32_t>(number), frame))
            return false;
    }
    return writer.Close();
}

// read() of the whole file into one buffer. With `touchFirst` the buffer's pages are touched
// before the clock starts; without, the first touch of fresh memory is timed too, as it is for
// the loader, which allocates the blocks it fills.
double PlainReadSeconds(const std::string& path, std::size_t size, bool touchFirst)
{
    std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[size]);
    if (touchFirst)
        std::memset(buffer.get(), 0, size);
    const Clock::time_point start = Clock::now();
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::size_t done = 0;
    for (ssize_t n = 1; fd >= 0 && done < size && n > 0;
         done += static_cast<std::size_t>(std::max<ssize_t>(n, 0)))
        n = ::read(fd, buffer.get() + done, size - done);
    ::close(fd);
    return SecondsSince(start);
}
} // namespace

int main(int argc, char** argv)
{
    const int megabytes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    const auto frames =
        static_cast<std::uint32_t>(megabytes * 1024.0 * 1024.0 / (kDevices * kBlockBytes));
    const std::string path = "/tmp/bench_x1d_load_" + std::to_string(getpid()) + ".x1d";
    if (!WriteRecording(path, frames))
    {
        std::fprintf(stderr, "bench_x1d_load: cannot write %s\n", path.c_str());
        return 1;
    }
    const double before = PeakResidentMiB();
    VX1DImport reader;
    if (!reader.Open(path))
    {
        std::fprintf(stderr, "bench_x1d_load: cannot open %s\n", path.c_str());
        return 1;
    }
    const Clock::time_point start = Clock::now();
    std::vector<VAnalogueBlockFrame> loaded(static_cast<std::size_t>(reader.GetNumberOfFrames()));
    bool complete = true;
    for (std::size_t i = 0; i < loaded.size(); ++i)
        complete = reader.ReadFrame(static_cast<std::int32_t>(i), loaded[i]) && complete;
    const double loadSeconds = SecondsSince(start);
    const double peak = PeakResidentMiB();
    const double heap = ResidentMiB("RssAnon:");
    const double mapped = ResidentMiB("RssFile:");
    const std::size_t frameCount = loaded.size();
    const std::size_t payload = frameCount * kDevices * kBlockBytes;
    reader.Close();
    loaded.clear();
    const double freshSeconds = PlainReadSeconds(path, payload, false);
    const double touchedSeconds = PlainReadSeconds(path, payload, true);
    std::remove(path.c_str());
    const double mib = payload / 1048576.0;
    std::printf("X1D of %.0f MiB (%zu frames, %u devices, %u KiB blocks)%s\n", mib, frameCount,
                kDevices, kBlockBytes / 1024, complete ? "" : "  (some frames failed!)");
    std::printf("  load through VX1DImport   %8.0f MiB/s  (%.2f s)\n", mib / loadSeconds,
                loadSeconds);
    std::printf("  read() into fresh memory  %8.0f MiB/s  (%.2f s)   ratio %.2f\n",
                mib / freshSeconds, freshSeconds, freshSeconds / loadSeconds);
    std::printf("  read() into touched pages %8.0f MiB/s  (%.2f s)   ratio %.2f\n",
                mib / touchedSeconds, touchedSeconds, touchedSeconds / loadSeconds);
    std::printf("  peak memory while loading %8.0f MiB (%.0f MiB before opening; data %.0f MiB)\n",
                peak, before, mib);
    std::printf("  resident after loading: %.0f MiB anonymous (the blocks), %.0f MiB file pages "
                "(the mapped windows, page cache the kernel may drop)\n",
                heap, mapped);
    PrintFigure(stdout, "x1d_load.load_speed", mib / loadSeconds, "MiB_per_s",
                "x1d_load.read_into_fresh_memory", mib / freshSeconds);
    PrintFigure(stdout, "x1d_load.peak_memory", peak, "MiB", "x1d_load.data", mib);
    return complete ? 0 : 1;
}
