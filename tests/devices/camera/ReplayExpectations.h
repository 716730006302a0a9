#pragma once
// What a camera replaying a recording must send for a HAL frame, worked out from the
// recording alone, and the check of a frame the HAL received against it. Shared by the
// in-process replay tests and the end-to-end test of the real program.

#include "tests/FileIO/X2DIO/X2DTestFiles.h"
#include "tools/halprobe/CameraFrame.h"

#include <cstdint>
#include <string>

namespace BriselTest
{
// The camera settings a frame was produced under, as their texts.
struct ReplayModes
{
    std::string tracking = "Off";
    std::string greyMode = "all";
    std::string coordMode = "all";
    std::uint16_t threshold = 128;
    bool supportsCentroids = true;
    bool supportsGreyscale = true;
};

// A recording whose cameras are of the given types (the reader's camera list otherwise
// as MakeX2DRecording makes it).
VX2DRecording MakeTypedRecording(const std::vector<std::string>& types, std::uint32_t frames);

// Checks `frame` (of any stream) of camera `camera` against `recording` under `modes`.
// Returns whether the frame carried the file's items (false: an empty frame was expected
// and received).
bool ExpectReplayedFrame(const VX2DRecording& recording, std::uint32_t camera,
                         const HalProbe::CameraFrame& frame, const ReplayModes& modes);
} // namespace BriselTest
