// Peak memory of opening a damaged X2D file: 4 MiB whose camera information header holds a
// camera list that claims 4 million cameras of a description without fields, followed by enough
// header bytes for a byte per claimed camera. Prints the peak resident memory of a process that
// only opens the file, beside that of a process that only maps and reads the same file, both run
// from this program in the same run.
//
// bench_x2d_open_memory          the file is written to /tmp and removed
//
// The crafted section is written with the camera information header's own writer and the claimed
// count patched in, through the writer's extra sections, so this program builds against older
// readers too.

#include "FileIO/ByteWriter.h"
#include "FileIO/X2DIO/CameraInfoHeader.h"
#include "FileIO/X2DIO/X2DExport.h"
#include "FileIO/X2DIO/X2DImport.h"
#include "Utils/UtilsIO/MemoryMappedStream.h"
#include "bench/Figure.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace X2DIO;

namespace
{
constexpr std::uint32_t kClaimedCameras = 4000000;
constexpr std::size_t kFileBytes = std::size_t(4) << 20;
constexpr std::int16_t kPaddingTag = 7;

// A camera information section whose list claims kClaimedCameras cameras it does not hold.
VRawSection ClaimingCameraInfo()
{
    VCameraInfoHeader header({VCameraInfoFormats::Default().header, {std::int16_t(0xCFAA), {}}});
    header.SetFrameRate(100.0);
    VByteWriter bytes;
    header.Write(bytes);
    // The list ends the header, and its count ends the empty list.
    bytes.PatchInt32(bytes.GetSize() - 4, std::int32_t(kClaimedCameras));
    return {VCameraInfoHeader::kIdentifier, bytes.GetBytes()};
}

bool WriteCraftedFile(const std::string& path)
{
    VX2DExportOptions options;
    const VRawSection claiming = ClaimingCameraInfo();
    options.extraSections = {claiming, {kPaddingTag, std::vector<std::uint8_t>(kFileBytes - 1024)}};
    VX2DHeaderDescription header;
    header.frameRate = 100.0;
    header.cameras.resize(3);
    VX2DExport writer(options);
    return writer.Open(path, header) && writer.Close();
}

int OpenOnly(const std::string& path)
{
    VX2DImport reader;
    const bool opened = reader.Open(path, true);
    std::vector<CameraInfo> cameras;
    reader.GetCameraInfos(cameras);
    std::printf("%s, %zu cameras described", opened ? "opened" : "refused", cameras.size());
    if (!reader.GetErrors().empty())
        std::printf(" (%s)", reader.GetErrors().back().c_str());
    return 0;
}

int MapAndReadOnly(const std::string& path)
{
    UtilsIO::VMemoryMappedFileReadOnly stream(VX2DImport::kDefaultViewSizeMiB, 2);
    if (!stream.Open(path))
        return 1;
    std::vector<std::uint8_t> chunk(64 * 1024);
    unsigned sum = 0;
    while (std::uint64_t read = stream.Read(chunk.size(), chunk.data()))
        for (std::uint64_t i = 0; i < read; ++i)
            sum += chunk[i];
    std::printf("%llu bytes read (sum %u)", (unsigned long long)stream.GetSize(), sum);
    return 0;
}

// Runs this program with `mode` on `path` and gives the child's peak resident memory in MiB.
double RunChild(const char* self, const char* mode, const std::string& path)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0)
    {
        execl(self, self, mode, path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1.0;
    return usage.ru_maxrss / 1024.0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--open") == 0)
        return OpenOnly(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--map") == 0)
        return MapAndReadOnly(argv[2]);

    char path[] = "/tmp/brisel-x2d-open-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0 || close(fd) != 0 || !WriteCraftedFile(path))
    {
        std::fprintf(stderr, "cannot write the benchmark file\n");
        return 1;
    }
    std::printf("X2D file of %.1f MiB whose camera list claims %u cameras without bytes\n",
                double(kFileBytes) / (1 << 20), kClaimedCameras);
    std::printf("open:                 ");
    const double open = RunChild("/proc/self/exe", "--open", path);
    std::printf("\n  peak resident memory %8.1f MiB\n", open);
    std::printf("baseline, map + read: ");
    const double baseline = RunChild("/proc/self/exe", "--map", path);
    std::printf("\n  peak resident memory %8.1f MiB\n", baseline);
    std::printf("open / baseline: %.1f\n", open / baseline);
    PrintFigure(stdout, "x2d_open_memory.peak_resident", open, "MiB",
                "x2d_open_memory.map_and_read", baseline);
    std::remove(path);
    return open > 0.0 && baseline > 0.0 ? 0 : 1;
}
