#pragma once
// What a camera replaying a recording must send for a HAL frame, worked out from the
// recording alone, and the check of a frame the HAL received against it. Shared by the
// in-process replay tests and the end-to-end test of the real program.

#include "tests/FileIO/X2DIO/X2DTestFiles.h"
#include "tools/halprobe/CameraFrame.h"
#include "tools/halprobe/CameraStreamListener.h"

#include <cstdint>
#include <functional>
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

// Waits until the condition holds, polling it; false when it never did.
using WaitUntil = std::function<bool(const std::function<bool()>& condition)>;

// Receives `frames` frames on each listener (camera 0 of the recording sends the protocol-1
// streams, camera 1 the combined one) and checks each; returns how many carried the file's
// items. The listeners are read in turn, so none falls behind its stream.
int ExpectReplayedFrames(const VX2DRecording& recording,
                         const std::vector<HalProbe::CameraStreamListener*>& listeners,
                         const ReplayModes& modes, int frames, const WaitUntil& waitUntil);
} // namespace BriselTest
