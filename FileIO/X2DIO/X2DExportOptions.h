#pragma once
// How VX2DExport lays out a file. The defaults write a current file; the other settings write
// the older layout or the irregular files that readers must cope with.
//
// Thread rules: plain values.

#include "FileIO/RecordSchema.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace X2DIO
{
struct VX2DExportOptions
{
    // 3 and later store header and index offsets as int64, earlier versions as int32.
    std::int32_t version = 3;
    // Writes the bytes "Sarn" where the version belongs.
    bool foreignSignature = false;
    // False writes the index table offset -1 and no table.
    bool writeIndexTable = true;
    // Written instead of the number of frames.
    std::optional<std::int32_t> headerFrameCount;
    // False leaves out the frame information format and every frame's frame information.
    bool writeFrameInfo = true;
    // Every field list gets a fixed-size and a variable-size field of unknown keys before its
    // known fields.
    bool unknownFields = false;
    // Sections written before the camera information header.
    std::vector<VRawSection> extraSections;
    // Only this many cameras are described in the camera information header.
    std::optional<std::uint32_t> describedCameras;
    // The camera information header describes each camera by this field list instead of the
    // writer's own; fields other than the known keys are written as filler.
    std::optional<VDataFormatInfo> cameraFields;
    // The camera information header's list claims this many cameras, whatever it holds.
    std::optional<std::uint32_t> claimedCameras;
    // Sections written after the camera information and start timecode headers.
    std::vector<VRawSection> trailingSections;
    // In every frame, the second block of this camera record claims one byte more than the
    // record has left.
    std::optional<std::uint32_t> overlongSecondBlockCamera;
    // Bytes left out (a hole in a sparse file) before every frame.
    std::uint64_t gapBeforeFrames = 0;
};
} // namespace X2DIO
