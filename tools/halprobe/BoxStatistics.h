#pragma once
// Counts what each network box (by DeviceID) delivers: analogue frames, samples per
// channel, its channel count and faults, both since the last report and in all, and the
// latest timecode it sent. Thread-bound to its owner.

#include "tools/halprobe/AnalogueFrame.h"

#include <map>
#include <string>
#include <vector>

namespace HalProbe
{
struct BoxCounts
{
    std::size_t frames = 0;
    std::size_t samples = 0; // per channel
    std::size_t faults = 0;
};

class BoxStatistics
{
public:
    void AddFrame(const AnalogueFrame& frame);
    // A fault that names no box counts for an unknown one.
    void AddFault(const AnalogueFault& fault);
    void AddTimecode(const TimecodeRecord& record);

    // One line per box heard from since the last call, as rates over `seconds`; then
    // starts a new interval.
    std::vector<std::string> TakeRateLines(double seconds);
    // One line per box with everything it delivered.
    std::vector<std::string> TotalLines() const;

    bool Empty() const { return boxes_.empty(); }

private:
    struct Box
    {
        BoxCounts interval;
        BoxCounts total;
        std::size_t channels = 0; // of the latest frame
        std::string timecode;     // the latest, empty before the first
        bool heard = false;       // since the last report
    };

    Box& Heard(const std::optional<std::uint32_t>& deviceId);

    std::map<std::optional<std::uint32_t>, Box> boxes_;
};
} // namespace HalProbe
