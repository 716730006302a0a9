#pragma once
// Compares two trial files of one kind, A and B, frame by frame and device by device, one
// frame of each in memory at a time. Devices are matched by identifier. Frames are matched
// by frame number; or, for a recording of a replay of A, each frame N of B is matched with
// the frame at index N mod (A's frame count) of A, which is the frame a replay sends for frame
// number N, and a camera that sends nothing in B's first frame or where the replay loops
// round (index 0) is what the replay sends there. Each difference is one line on `out`: the
// first per device and frame, a frame or device missing in either file. Thread-bound to its
// owner.

#include "tools/trialtool/ComparedTrial.h"
#include "tools/trialtool/ProgressLine.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace TrialTool
{
struct ComparisonOptions
{
    double tolerance = 0.0;
    std::uint64_t maxDifferences = 20;
    bool replay = false;
};

struct ComparisonCounts
{
    std::size_t devices = 0;      // matched in both files
    std::uint64_t frames = 0;     // pairs of frames compared
    std::uint64_t items = 0;      // or samples
    std::uint64_t wrapFrames = 0; // empty where the replay loops round
    std::uint64_t differences = 0;
    bool stopped = false; // at the most differences asked for
};

class TrialComparison
{
public:
    TrialComparison(ComparedTrial& a, ComparedTrial& b, ComparisonOptions options,
                    std::ostream& out);

    // False with the reason in `error` when a frame cannot be read.
    bool Run(ProgressLine& progress, std::string& error);
    const ComparisonCounts& Counts() const { return counts_; }

private:
    struct DevicePair
    {
        std::size_t a;
        std::size_t b;
        std::uint32_t identifier; // in B
    };

    void MatchDevices();
    bool CompareByNumber(ProgressLine& progress, std::string& error);
    bool CompareReplay(ProgressLine& progress, std::string& error);
    void ReportUnmatchedB(const std::vector<std::int32_t>& numbersA);
    // `label` names the frame in the differences.
    bool CompareFrames(std::int32_t indexA, std::int32_t indexB, const std::string& label,
                       bool emptyAllowed, std::string& error);
    // False once the most differences asked for have been reported.
    bool Report(const std::string& text);
    bool Stopped() const { return counts_.stopped; }

    ComparedTrial& a_;
    ComparedTrial& b_;
    const ComparisonOptions options_;
    std::ostream& out_;
    std::vector<DevicePair> pairs_;
    ComparisonCounts counts_;
};
} // namespace TrialTool
