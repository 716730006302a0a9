#include "tools/halprobe/TrialRecorder.h"

#include <cstdio>
#include <utility>

namespace HalProbe
{
namespace
{
std::string LeftOutText(const RecordingSummary& summary, const char* device)
{
    std::string text;
    if (summary.lateParts > 0)
        text += ", " + std::to_string(summary.lateParts) + " late parts left out";
    if (summary.cutShort > 0)
        text += ", " + std::to_string(summary.cutShort) + " frames at the end left out (the stop " +
                "came before every " + device + " had sent them)";
    for (const auto& [identifier, parts] : summary.leftOut)
        text += ", " + std::string(device) + " " + std::to_string(identifier) +
                " started too late to be recorded (" + std::to_string(parts) + " frames)";
    return text;
}

RecordingReport Report(const std::string& path, const RecordingSummary& summary,
                       const char* devices, const char* device, bool written)
{
    if (!written)
        return {false, "cannot write '" + path + "'"};
    return {true, "recorded " + std::to_string(summary.frames) + " frames of " +
                      std::to_string(summary.devices.size()) + " " + devices + " into '" + path +
                      "'" + LeftOutText(summary, device)};
}
} // namespace

TrialRecorder::TrialRecorder(const std::optional<std::string>& x2dPath,
                             const std::optional<std::string>& x1dPath)
    : x2dPath_(x2dPath), x1dPath_(x1dPath)
{
    if (x2dPath)
        cameras_ = std::make_unique<X2DRecorder>(*x2dPath);
    if (x1dPath)
        boxes_ = std::make_unique<X1DRecorder>(*x1dPath);
    if (!Empty())
        writer_ = std::thread(&TrialRecorder::WriteQueued, this);
}

TrialRecorder::~TrialRecorder()
{
    Finish();
}

void TrialRecorder::Add(const CameraFrame& frame)
{
    if (cameras_)
        Enqueue(frame);
}

void TrialRecorder::Add(const AnalogueFrame& frame)
{
    if (boxes_)
        Enqueue(frame);
}

void TrialRecorder::Enqueue(QueuedFrame frame)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return closing_ || queue_.size() < kMaxQueuedFrames; });
    if (closing_)
        return; // finished: nothing more is written
    queue_.push_back(std::move(frame));
    changed_.notify_all();
}

// The writer thread: hands each queued frame to its file until Finish() closes the queue and
// the queue is empty.
void TrialRecorder::WriteQueued()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;)
    {
        changed_.wait(lock, [this] { return closing_ || !queue_.empty(); });
        if (queue_.empty())
            return;
        QueuedFrame frame = std::move(queue_.front());
        queue_.pop_front();
        changed_.notify_all();
        lock.unlock();
        if (const auto* camera = std::get_if<CameraFrame>(&frame))
            cameras_->Add(*camera);
        else
            boxes_->Add(std::get<AnalogueFrame>(frame));
        lock.lock();
    }
}

void TrialRecorder::StopWriter()
{
    if (!writer_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    writer_.join();
}

std::vector<RecordingReport> TrialRecorder::Finish()
{
    StopWriter();
    std::vector<RecordingReport> reports;
    if (cameras_)
    {
        const bool written = cameras_->Finish();
        reports.push_back(Report(*x2dPath_, cameras_->Summary(), "cameras", "camera", written));
    }
    if (boxes_)
    {
        const bool written = boxes_->Finish();
        reports.push_back(Report(*x1dPath_, boxes_->Summary(), "boxes", "box", written));
        if (written && boxes_->ChangedChannelFrames() > 0)
            reports.back().text += ", " + std::to_string(boxes_->ChangedChannelFrames()) +
                                   " frames whose channels changed left out";
    }
    return reports;
}
bool PrintRecordingReports(TrialRecorder& recorder)
{
    bool allWritten = true;
    for (const RecordingReport& report : recorder.Finish())
    {
        std::fprintf(report.written ? stdout : stderr, "%s%s\n",
                     report.written ? "" : "halprobe: ", report.text.c_str());
        allWritten &= report.written;
    }
    return allWritten;
}
} // namespace HalProbe
