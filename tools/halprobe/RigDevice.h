#pragma once
// One device of the rig as "halprobe play" found it from its announcements: what it is,
// its Port and the address it states, where its command session listens. Reentrant.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace HalProbe
{
struct RigDevice
{
    std::uint32_t deviceId = 0;
    std::uint32_t deviceClass = 0; // 0 camera, 2 network box
    std::uint16_t port = 0;        // 1-based; the command session is on 9000 + port
    std::uint32_t address = 0;     // host order

    bool IsNetworkBox() const { return deviceClass == 2; }
};

// "camera 0x03000001" or "box 0x02000001".
std::string RigDeviceName(const RigDevice& device);

// The device to make sync master: `requested` if given, otherwise the first network box, or
// the first device when there is none; `devices` is in Port order and not empty. Throws
// ProbeError when `requested` is not among them.
const RigDevice& ChooseSyncMaster(const std::vector<RigDevice>& devices,
                                  std::optional<std::uint32_t> requested);
} // namespace HalProbe
