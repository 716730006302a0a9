#pragma once
// What a stretch of announcements says about the devices on the network: per DeviceID
// its class, port, stated address, packet counts and measured alive rate. Thread-bound
// to its owner.

#include "tools/halprobe/Announcement.h"

#include <map>
#include <optional>

namespace HalProbe
{
struct DeviceSummary
{
    std::uint32_t deviceClass = 0;
    std::optional<std::uint8_t> port; // known once an awake packet was seen
    std::uint32_t localAddress = 0;
    std::size_t awakeCount = 0;
    std::size_t aliveCount = 0;
    Clock::time_point firstAlive;
    Clock::time_point lastAlive;

    // Alive packets per second between the first and the last one; 0 with fewer than two.
    double AliveRate() const;
};

class DeviceSurvey
{
public:
    void Add(const Announcement& announcement);

    const std::map<std::uint32_t, DeviceSummary>& Devices() const { return devices_; }
    std::size_t UnknownCount() const { return unknownCount_; }

private:
    std::map<std::uint32_t, DeviceSummary> devices_;
    std::size_t unknownCount_ = 0;
};
} // namespace HalProbe
