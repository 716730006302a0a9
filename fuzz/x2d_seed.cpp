// Writes a few valid X2D files into the folder given on the command line, as the seed corpus
// of x2d_fuzz: both offset widths, a missing index table, a missing frame information format,
// unknown fields and sections, a start timecode, and a block that overruns its camera record.

#include "FileIO/X2DIO/X2DExport.h"
#include "fuzz/SeedCorpus.h"

#include <string>
#include <vector>

using namespace X2DIO;

namespace
{
VX2DHeaderDescription MakeHeader(std::uint32_t cameras)
{
    VX2DHeaderDescription header;
    header.frameRate = 120.0;
    for (std::uint32_t camera = 0; camera < cameras; ++camera)
    {
        CameraInfo info;
        info.sensorWidth = 1280;
        info.sensorHeight = 1024;
        info.identifier = std::int32_t(0x3000000 + camera);
        info.typeName = "cam";
        info.windows = {{0, 0, 1280, 1024, 1}};
        header.cameras.push_back(info);
    }
    return header;
}

VX2DCameraFrame MakeCameraFrame(std::int32_t number)
{
    VX2DCameraFrame camera;
    camera.centroids.centroids = {{10.5, 20.25, 2.0, 0.5f}, {number * 1.0, 1.0, 1.0, 0.25f}};
    camera.tracks.tracks = {{number, 0.5f, 3}};
    camera.blobs.blobs = {{0, 2, 0x11}};
    camera.blobs.lines = {{5, 6, 2, 0}, {5, 7, 1, 2}};
    camera.blobs.pixels = {1, 2, 3};
    camera.blobs.frameFlags = std::uint8_t(number);
    camera.edgePairs.edgePairs = {{1, 2, 3}};
    return camera;
}

// Seed `seed` records seed % 3 + 1 cameras; seed 3 also has a start timecode.
VX2DHeaderDescription SeedHeader(std::size_t seed)
{
    VX2DHeaderDescription header = MakeHeader(std::uint32_t(seed % 3 + 1));
    if (seed == 3)
        header.startTimecode = "10 0 0 1 0 1 2 2";
    return header;
}

bool WriteSeed(const std::string& path, const VX2DExportOptions& options,
               const VX2DHeaderDescription& header)
{
    VX2DExport writer(options);
    if (!writer.Open(path, header))
        return false;
    for (std::int32_t number = 0; number < 3; ++number)
    {
        VX2DFrame frame;
        frame.number = number;
        frame.cameras.assign(header.cameras.size(), MakeCameraFrame(number));
        if (!writer.WriteFrame(frame))
            return false;
    }
    return writer.Close();
}

std::vector<VX2DExportOptions> SeedVariants()
{
    std::vector<VX2DExportOptions> variants(6);
    variants[1].version = 2;
    variants[2].writeIndexTable = false;
    variants[2].headerFrameCount = 0;
    variants[3].unknownFields = true;
    variants[3].extraSections = {{5, {1, 2, 3}}};
    variants[4].writeFrameInfo = false;
    variants[5].overlongSecondBlockCamera = 0;
    variants[5].describedCameras = 0;
    return variants;
}
} // namespace

int main(int argc, char** argv)
{
    const std::vector<VX2DExportOptions> variants = SeedVariants();
    return SeedCorpus::Write(argc, argv, variants.size(), "x2d",
                             [&](const std::string& path, std::size_t i)
                             { return WriteSeed(path, variants[i], SeedHeader(i)); });
}
