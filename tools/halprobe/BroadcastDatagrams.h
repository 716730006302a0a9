#pragma once
// The HAL's broadcast commands as datagrams: codes, ports and one builder per command,
// every field a 32-bit big-endian word. The awake and alive announcements that devices
// send back open with two of these codes. Reentrant.

#include <cstdint>
#include <vector>

namespace HalProbe
{
constexpr std::uint16_t kBroadcastPort = 8666;
constexpr std::uint16_t kAnnouncementPort = 8570;
// Device field value for "every device" (RESET) and "no master" (MASTER).
constexpr std::uint32_t kAllDevices = 0xFFFFFFFF;

namespace CommandCode
{
constexpr std::uint32_t kSync = 0x00010001;
constexpr std::uint32_t kReset = 0x00020001;
constexpr std::uint32_t kMaster = 0x00030005;
constexpr std::uint32_t kAwake = 0x00040006;
constexpr std::uint32_t kPreview = 0x00050002;
constexpr std::uint32_t kAlivePing = 0x00060007;
constexpr std::uint32_t kFrameNumber = 0x00070001;
constexpr std::uint32_t kDataDisable = 0x00080001;
} // namespace CommandCode

// A frame rate as the MASTER command carries it.
struct WireFrameRate
{
    std::uint32_t whole = 0;
    std::uint32_t thousandths = 0;
};

// Rounds to the nearest thousandth (59.94 gives 59 and 940). Throws ProbeError for a
// negative, non-finite or too large rate.
WireFrameRate ToWireFrameRate(double rateHz);

namespace BroadcastDatagram
{
std::vector<std::uint8_t> Master(std::uint32_t deviceId, double rateHz, bool surrogate);
std::vector<std::uint8_t> Sync(std::int32_t frame);
std::vector<std::uint8_t> Reset(std::uint32_t deviceId);
std::vector<std::uint8_t> FrameNumber(std::int32_t frame);
std::vector<std::uint8_t> DataDisable(bool disabled);
std::vector<std::uint8_t> Preview(std::uint32_t deviceId, bool on);
} // namespace BroadcastDatagram
} // namespace HalProbe
