#include "tools/halprobe/StreamStatistics.h"

#include "tools/halprobe/RecordText.h"
#include "tools/halprobe/TextFormat.h"

namespace HalProbe
{
namespace
{
std::string StreamText(const std::optional<std::uint32_t>& deviceId, CameraStream stream)
{
    return "camera " + (deviceId ? DeviceIdText(*deviceId) : std::string("unknown")) + " " +
           CameraStreamName(stream);
}

void Accumulate(StreamCounts& sum, const StreamCounts& counts)
{
    sum.frames += counts.frames;
    sum.items += counts.items;
    sum.datagrams += counts.datagrams;
    sum.faults += counts.faults;
}
} // namespace

void StreamStatistics::AddFrame(const CameraFrame& frame)
{
    Count({frame.deviceId, frame.stream}, {1, frame.ItemCount(), frame.DatagramCount(), 0});
}

void StreamStatistics::AddFault(const StreamFault& fault)
{
    Count({fault.deviceId, fault.stream}, {0, 0, 0, 1});
}

std::vector<std::string> StreamStatistics::TakeRateLines(double seconds)
{
    std::vector<std::string> lines;
    for (const auto& [key, counts] : interval_)
        lines.push_back(Format("%s: %.1f frames/s, %.1f items/s, %.1f datagrams/s, %zu faults",
                               StreamText(key.first, key.second).c_str(), counts.frames / seconds,
                               counts.items / seconds, counts.datagrams / seconds, counts.faults));
    interval_.clear();
    return lines;
}

std::vector<std::string> StreamStatistics::TotalLines() const
{
    std::vector<std::string> lines;
    for (const auto& [key, counts] : totals_)
        lines.push_back(Format("%s: %zu frames, %zu items, %zu datagrams, %zu faults in all",
                               StreamText(key.first, key.second).c_str(), counts.frames,
                               counts.items, counts.datagrams, counts.faults));
    return lines;
}

void StreamStatistics::Count(const Key& key, const StreamCounts& counts)
{
    Accumulate(interval_[key], counts);
    Accumulate(totals_[key], counts);
}
} // namespace HalProbe
