#include "X2DTestFiles.h"

#include <gtest/gtest.h>

using namespace X2DIO;

namespace
{
CameraInfo MakeCamera(std::uint32_t camera)
{
    CameraInfo info;
    info.sensorWidth = camera == 0 ? 2048 : 1024;
    info.sensorHeight = camera == 0 ? 1536 : 768;
    info.identifier = camera == 0 ? 0x3000000 : 0x2FFFFFF - std::int32_t(camera) + 1;
    info.valueA = 0.5 + camera;
    info.valueB = 40 + std::int32_t(camera);
    info.typeName = "Type " + std::to_string(camera);
    info.valueC = -std::int32_t(camera);
    info.windows = {{1, 2, 3, 4, camera}, {5, 6, 7, 8, 4000000000u}};
    info.valueD = 2.25 * (camera + 1);
    info.displayName = camera == 2 ? "" : "Camera " + std::to_string(camera);
    return info;
}

// Exact in the writer's encoding for the largest sensor of 2048 x 1536.
Centroid MakeCentroid(std::uint32_t seed)
{
    return {seed % 2048 + 0.125, (seed % 1536) * 0.75, (seed % 300) / 16.0,
            float(seed % 65536) / 65536.0f};
}

void AddBlob(GreyscaleBlobSet& set, std::uint32_t seed)
{
    const std::uint16_t lines = std::uint16_t(seed % 3 + 1);
    set.blobs.push_back({std::uint32_t(set.lines.size()), lines, std::uint16_t(0x8000 | seed)});
    for (std::uint16_t line = 0; line < lines; ++line)
    {
        const std::uint16_t pixels = std::uint16_t((seed + line) % 4);
        set.lines.push_back({std::uint16_t(seed + line), std::uint16_t(100 + line), pixels,
                             std::uint32_t(set.pixels.size())});
        for (std::uint16_t pixel = 0; pixel < pixels; ++pixel)
            set.pixels.push_back(std::uint8_t(seed * 7 + pixel));
    }
}

VX2DCameraFrame MakeCameraFrame(std::uint32_t frame, std::uint32_t camera)
{
    const std::uint32_t seed = frame * 1000 + camera * 100;
    VX2DCameraFrame result;
    for (std::uint32_t item = 0; item < camera + 2; ++item)
    {
        result.centroids.centroids.push_back(MakeCentroid(seed + item * 37));
        result.tracks.tracks.push_back(
            {(std::int64_t(seed) << 33) - item, float(item) / 4.0f, -std::int32_t(seed + item)});
        result.edgePairs.edgePairs.push_back(
            {std::uint16_t(seed + item), std::uint16_t(item), std::uint16_t(0xFFFF - item)});
        AddBlob(result.blobs, seed + item);
    }
    // The first camera sends no blobs at all.
    if (camera == 0)
        result.blobs = GreyscaleBlobSet();
    result.blobs.frameFlags = std::uint8_t(0xA0 + frame + camera);
    return result;
}
} // namespace

VX2DRecording MakeX2DRecording(std::uint32_t cameras, std::uint32_t frames)
{
    VX2DRecording recording;
    recording.header.frameRate = 100.0;
    for (std::uint32_t camera = 0; camera < cameras; ++camera)
        recording.header.cameras.push_back(MakeCamera(camera));
    for (std::uint32_t frame = 0; frame < frames; ++frame)
    {
        VX2DFrame written;
        written.number = std::int32_t(10 + 3 * frame);
        written.frameInfo = std::uint8_t(frame);
        for (std::uint32_t camera = 0; camera < cameras; ++camera)
            written.cameras.push_back(MakeCameraFrame(frame, camera));
        recording.frames.push_back(written);
    }
    return recording;
}

bool WriteX2DRecording(const std::string& path, const VX2DRecording& recording,
                       const VX2DExportOptions& options)
{
    RemoveFileForRewrite(path);
    VX2DExport writer(options);
    if (!writer.Open(path, recording.header))
        return false;
    for (const VX2DFrame& frame : recording.frames)
        if (!writer.WriteFrame(frame))
            return false;
    return writer.Close();
}

VX2DFrameResults::VX2DFrameResults(std::uint32_t cameras)
{
    for (std::uint32_t camera = 0; camera < cameras; ++camera)
    {
        centroidSets.push_back(std::make_shared<CentroidSet>());
        trackSets.push_back(std::make_shared<CentroidTrackSet>());
        blobSets.push_back(std::make_shared<GreyscaleBlobSet>());
        edgeSets.push_back(std::make_shared<EdgePairSet>());
    }
}

bool VX2DFrameResults::Read(VX2DImport& reader, std::int32_t index)
{
    return reader.ReadFrame(index, &centroidSets, &trackSets, &blobSets, &edgeSets);
}

void ExpectCameraItems(const VX2DCameraFrame& written, const VX2DFrameResults& read,
                       std::size_t camera)
{
    SCOPED_TRACE("camera " + std::to_string(camera));
    EXPECT_EQ(read.centroidSets.at(camera)->centroids, written.centroids.centroids);
    EXPECT_EQ(read.trackSets.at(camera)->tracks, written.tracks.tracks);
    EXPECT_EQ(read.edgeSets.at(camera)->edgePairs, written.edgePairs.edgePairs);
    const GreyscaleBlobSet& blobs = *read.blobSets.at(camera);
    EXPECT_EQ(blobs.blobs, written.blobs.blobs);
    EXPECT_EQ(blobs.lines, written.blobs.lines);
    EXPECT_EQ(blobs.pixels, written.blobs.pixels);
    EXPECT_EQ(blobs.frameFlags, written.blobs.frameFlags);
}

void ExpectFrame(const VX2DFrame& written, const VX2DFrameResults& read)
{
    SCOPED_TRACE("frame " + std::to_string(written.number));
    ASSERT_EQ(read.centroidSets.size(), written.cameras.size());
    for (std::size_t camera = 0; camera < written.cameras.size(); ++camera)
        ExpectCameraItems(written.cameras[camera], read, camera);
}

std::vector<CameraInfo> ExpectedCameraInfos(const VX2DRecording& recording)
{
    std::vector<CameraInfo> cameras = recording.header.cameras;
    for (CameraInfo& camera : cameras)
        if (camera.displayName.empty())
            camera.displayName = camera.typeName;
    return cameras;
}
