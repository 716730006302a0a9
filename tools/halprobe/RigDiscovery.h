#pragma once
// Finds the rig the way the HAL does, from the devices' announcements on UDP port 8570 of
// the HAL's address: every device that sends alive packets, with its Port from its awake
// packet. A device sends its awake packet only when it comes up, so when any was missed
// the devices are reset (RESET to every address they state), which brings them down and up
// again with fresh command sessions and awake packets. Thread-bound to its owner.

#include "tools/halprobe/AnnouncementListener.h"
#include "tools/halprobe/RigDevice.h"

#include <vector>

namespace HalProbe
{
struct RigSurvey
{
    std::vector<RigDevice> devices; // by Port
    bool reset = false;             // the devices were reset to learn their Ports
};

class RigDiscovery
{
public:
    // Throws ProbeError when the HAL's announcement port cannot be listened on.
    explicit RigDiscovery(const std::string& halAddress);

    // Listens for up to `limit`, less once the set of devices stays the same for a few alive
    // periods; then, if a Port is missing, resets the devices and waits up to `limit` for
    // their awake packets. No devices when none announced itself; throws ProbeError when a
    // device never states its Port.
    RigSurvey Discover(Clock::duration limit);

private:
    DeviceSurvey ListenUntilSettled(Clock::time_point end);
    void AwaitPorts(DeviceSurvey& survey, Clock::time_point end);
    void ResetAll(const DeviceSurvey& survey) const;

    std::string halAddress_;
    AnnouncementListener listener_;
};

// The Ports of the devices in `survey`, by Port. A box's DeviceID holds its Port; an awake
// packet gives the low 8 bits of it, so a camera takes the lowest free Port with those bits.
// Throws ProbeError for a device without a Port.
std::vector<RigDevice> RigDevices(const DeviceSurvey& survey);
} // namespace HalProbe
