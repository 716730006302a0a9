#pragma once
// Counts what each camera stream delivers, per camera (DeviceID) and stream: frames,
// items, datagrams and faults, both since the last report and in all. Thread-bound to its
// owner.

#include "tools/halprobe/CameraFrame.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace HalProbe
{
struct StreamCounts
{
    std::size_t frames = 0;
    std::size_t items = 0;
    std::size_t datagrams = 0;
    std::size_t faults = 0;
};

class StreamStatistics
{
public:
    void AddFrame(const CameraFrame& frame);
    // A fault that names no camera counts for an unknown one.
    void AddFault(const StreamFault& fault);

    // One line per camera stream active since the last call, as rates over `seconds`;
    // then starts a new interval.
    std::vector<std::string> TakeRateLines(double seconds);
    // One line per camera stream with everything it delivered.
    std::vector<std::string> TotalLines() const;

    bool Empty() const { return totals_.empty(); }

private:
    using Key = std::pair<std::optional<std::uint32_t>, CameraStream>;

    void Count(const Key& key, const StreamCounts& counts);

    std::map<Key, StreamCounts> interval_;
    std::map<Key, StreamCounts> totals_;
};
} // namespace HalProbe
