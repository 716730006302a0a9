#pragma once
// Records what a HAL receives into trial files: whole camera frames into an X2D file, analogue
// frames into an X1D file, either or both. It only observes frames that someone else assembles
// (as a frame sink of "play", or fed by "listen"); only PrintRecordingReports() prints.
//
// The files are written on a thread of the recorder's own, so the thread that reads the data
// ports never waits for the disk: a file system that stalls for seconds while it writes back
// would otherwise leave the sockets unread until they overflow. Frames wait for the writer in
// a queue of at most kMaxQueuedFrames; beyond it Add() waits (the recording stays whole).
//
// Thread rules: Add(), Finish() and Empty() are thread-bound to the owner's thread. `mutex_`
// guards `queue_` and `closing_`; the file recorders belong to the writer thread until
// Finish() has joined it.

#include "tools/halprobe/FrameSink.h"
#include "tools/halprobe/X1DRecorder.h"
#include "tools/halprobe/X2DRecorder.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>
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
    static constexpr std::size_t kMaxQueuedFrames = std::size_t(1) << 19;

    // No file of a kind whose path is absent.
    TrialRecorder(const std::optional<std::string>& x2dPath,
                  const std::optional<std::string>& x1dPath);
    // Finishes the files if Finish() was not called.
    ~TrialRecorder() override;
    TrialRecorder(const TrialRecorder&) = delete;
    TrialRecorder& operator=(const TrialRecorder&) = delete;

    bool Empty() const { return !cameras_ && !boxes_; }
    void Add(const CameraFrame& frame);
    void Add(const AnalogueFrame& frame);
    void OnCameraFrame(const CameraFrame& frame) override { Add(frame); }
    void OnAnalogueFrame(const AnalogueFrame& frame) override { Add(frame); }

    // Writes what is queued and completes the files; one report per file.
    std::vector<RecordingReport> Finish();

private:
    using QueuedFrame = std::variant<CameraFrame, AnalogueFrame>;

    void Enqueue(QueuedFrame frame);
    void WriteQueued();
    void StopWriter();

    std::optional<std::string> x2dPath_;
    std::optional<std::string> x1dPath_;
    std::unique_ptr<X2DRecorder> cameras_;
    std::unique_ptr<X1DRecorder> boxes_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<QueuedFrame> queue_;
    bool closing_ = false;
    std::thread writer_;
};

// Completes the recorder's files and prints a line per file: what it holds on standard output,
// or why it could not be written on standard error. False when a file could not be written.
bool PrintRecordingReports(TrialRecorder& recorder);
} // namespace HalProbe
