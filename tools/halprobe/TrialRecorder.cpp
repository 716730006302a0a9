#include "tools/halprobe/TrialRecorder.h"

#include <cstdio>

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
}

void TrialRecorder::Add(const CameraFrame& frame)
{
    if (cameras_)
        cameras_->Add(frame);
}

void TrialRecorder::Add(const AnalogueFrame& frame)
{
    if (boxes_)
        boxes_->Add(frame);
}

std::vector<RecordingReport> TrialRecorder::Finish()
{
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
