#pragma once
// Puts the analogue frames of network boxes together from the datagrams arriving at an
// analogue port: sample datagrams (16-bit little-endian values, at most 700 each, only
// the last of a frame shorter) collect per sending socket until the analogue frame record
// closes the frame. The record must account for exactly the samples that arrived, so a
// lost, doubled or malformed datagram spoils the frame as a fault instead of passing
// unseen. Other device records that share the port are passed on. Thread-bound to its
// owner.

#include "tools/halprobe/AnalogueFrame.h"

#include <map>

namespace HalProbe
{
class AnalogueFrameAssembler
{
public:
    static constexpr std::size_t kMaxSampleDatagram = 1400;

    // Takes one datagram, decoded as a record; returns the frame it completes, the fault
    // it shows or the device record it is, or nothing when it added samples.
    std::optional<AnalogueEvent> Add(DataRecord datagram);
    // Reports the samples still waiting for their record and forgets them.
    std::vector<AnalogueFault> Flush();

private:
    struct PendingFrame
    {
        std::vector<std::uint16_t> values;
        std::vector<std::size_t> datagramSizes;
        bool faulted = false; // reported already; the rest up to the record is dropped
        Clock::time_point firstArrival;
    };

    std::optional<AnalogueEvent> AddSamples(const DataRecord& datagram);
    AnalogueEvent Finish(const DataRecord& datagram, const AnalogueFrameRecord& record);

    // By sender address and port.
    std::map<std::uint64_t, PendingFrame> pending_;
};
} // namespace HalProbe
