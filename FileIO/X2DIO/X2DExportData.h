#pragma once
// What VX2DExport writes: the header description (camera frame rate, cameras, start timecode)
// and, per frame, each camera's items.
//
// Thread rules: plain values.

#include "FileIO/X2DIO/CameraFrameData.h"
#include "FileIO/X2DIO/CameraInfo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace X2DIO
{
struct VX2DHeaderDescription
{
    // Hz.
    double frameRate = 0.0;
    // One camera record per camera in every frame, in this order.
    std::vector<CameraInfo> cameras;
    // The text of the start timecode header; no header when absent.
    std::optional<std::string> startTimecode;
};

struct VX2DCameraFrame
{
    CentroidSet centroids;
    CentroidTrackSet tracks;
    // Its frameFlags are written as the camera frame information byte.
    GreyscaleBlobSet blobs;
    EdgePairSet edgePairs;
};

struct VX2DFrame
{
    std::int32_t number = 0;
    // One per camera of the header description.
    std::vector<VX2DCameraFrame> cameras;
    // Written into the frame information record.
    std::uint8_t frameInfo = 0;
};
} // namespace X2DIO
