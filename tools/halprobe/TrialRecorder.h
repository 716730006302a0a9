#pragma once
// Records what a HAL receives into trial files: whole camera frames into an X2D file, analogue
// frames into an X1D file, either or both. It only observes frames that someone else assembles
// (as a frame sink of "play", or fed by "listen"); only PrintRecordingReports() prints.
// Thread-bound to its owner.

#include "tools/halprobe/FrameSink.h"
#include "tools/halprobe/X1DRecorder.h"
#include "tools/halprobe/X2DRecorder.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace HalProbe
{
struct RecordingReport
{
    bool written = false;
    // What the file holds and what was left out, or that it could not be written.
    std::string text;
};

class TrialRecorder : public FrameSink
{
public:
    // No file of a kind whose path is absent.
    TrialRecorder(const std::optional<std::string>& x2dPath,
                  const std::optional<std::string>& x1dPath);

    bool Empty() const { return !cameras_ && !boxes_; }
    void Add(const CameraFrame& frame);
    void Add(const AnalogueFrame& frame);
    void OnCameraFrame(const CameraFrame& frame) override { Add(frame); }
    void OnAnalogueFrame(const AnalogueFrame& frame) override { Add(frame); }

    // Completes the files; one report per file.
    std::vector<RecordingReport> Finish();

private:
    std::optional<std::string> x2dPath_;
    std::optional<std::string> x1dPath_;
    std::unique_ptr<X2DRecorder> cameras_;
    std::unique_ptr<X1DRecorder> boxes_;
};

// Completes the recorder's files and prints a line per file: what it holds on standard output,
// or why it could not be written on standard error. False when a file could not be written.
bool PrintRecordingReports(TrialRecorder& recorder);
} // namespace HalProbe
