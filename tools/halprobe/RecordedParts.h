#pragma once
// What a recording keeps of the frames the HAL receives, in the terms of the trial files: a
// camera's frame as an X2D camera record, a box's analogue frame as the channel numbers and
// the X1D block of its samples. Reentrant.

#include "tools/halprobe/AnalogueFrame.h"
#include "tools/halprobe/CameraFrame.h"

#include "FileIO/X2DIO/X2DExportData.h"

#include <cstdint>
#include <vector>

namespace HalProbe
{
// The items of one camera stream's frame. Centroid positions, radii and qualities and track
// weights are the fixed-point values as sent, divided out. Protocol-1 lines keep their blobs
// (consecutive lines of one blob index, the blob's flag bit 0 set unless the blob word says
// it is clear); protocol-2 lines, which carry no blob, are kept as one blob.
X2DIO::VX2DCameraFrame ToCameraRecord(const CameraFrame& frame);

// Joins the other stream's part of a protocol-1 camera's frame (centroids and tracks come
// on one stream, lines and edge pairs on the other): each kind of item that `part` holds
// replaces the held one.
void JoinCameraRecord(X2DIO::VX2DCameraFrame& held, X2DIO::VX2DCameraFrame part);

struct AnalogueRecord
{
    // 1-based channel numbers, ascending: channel i of the box is number i + 1.
    std::vector<std::int32_t> channels;
    // Channel-major 16-bit little-endian samples: all of the first channel, then the next.
    std::vector<std::uint8_t> block;
};

AnalogueRecord ToAnalogueRecord(const AnalogueFrame& frame);
} // namespace HalProbe
