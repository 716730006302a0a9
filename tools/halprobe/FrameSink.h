#pragma once
// Where "halprobe play" delivers every whole frame it receives, so that more than its own
// counting can take them: a trial-file recorder, say. Camera frames come per stream (a
// protocol-1 camera gives one centroid and one greyscale frame per frame number), analogue
// frames once per box and frame. Thread-bound: play calls both members on its own thread,
// one call at a time, in the order the frames arrived; the data ports are not read while a
// call runs, so a sink should return quickly. The references are valid during the call only.

#include "tools/halprobe/AnalogueFrame.h"
#include "tools/halprobe/CameraFrame.h"

namespace HalProbe
{
class FrameSink
{
public:
    virtual ~FrameSink() = default;

    virtual void OnCameraFrame(const CameraFrame& frame) = 0;
    virtual void OnAnalogueFrame(const AnalogueFrame& frame) = 0;
};
} // namespace HalProbe
