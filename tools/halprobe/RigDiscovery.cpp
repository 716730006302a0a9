#include "tools/halprobe/RigDiscovery.h"

#include "tools/halprobe/BroadcastSender.h"
#include "tools/halprobe/ProbeError.h"
#include "tools/halprobe/RecordText.h"
#include "tools/halprobe/SocketAddress.h"

#include <algorithm>
#include <set>

namespace HalProbe
{
namespace
{
// Every device announces itself ten times a second, all from one timer: a set that has not
// grown for three periods is the whole rig.
constexpr auto kSettle = std::chrono::milliseconds(300);
constexpr std::uint32_t kBoxPortMask = 0x00FFFFFF;
constexpr std::uint32_t kPortsPerLowByte = 256;

bool AllPortsKnown(const DeviceSurvey& survey)
{
    return std::all_of(survey.Devices().begin(), survey.Devices().end(),
                       [](const auto& device) { return device.second.port.has_value(); });
}

std::uint32_t PortOf(const DeviceSummary& device, std::uint32_t deviceId,
                     const std::set<std::uint32_t>& taken)
{
    if (device.deviceClass == 2)
        return deviceId & kBoxPortMask;
    std::uint32_t port = *device.port == 0 ? kPortsPerLowByte : *device.port;
    while (taken.count(port) != 0)
        port += kPortsPerLowByte;
    return port;
}
} // namespace

RigDiscovery::RigDiscovery(const std::string& halAddress)
    : halAddress_(halAddress), listener_(halAddress)
{
}

RigSurvey RigDiscovery::Discover(Clock::duration limit)
{
    DeviceSurvey survey = ListenUntilSettled(Clock::now() + limit);
    if (survey.Devices().empty() || AllPortsKnown(survey))
        return {RigDevices(survey), false};
    ResetAll(survey);
    AwaitPorts(survey, Clock::now() + limit);
    return {RigDevices(survey), true};
}

DeviceSurvey RigDiscovery::ListenUntilSettled(Clock::time_point end)
{
    DeviceSurvey survey;
    Clock::time_point settled = Clock::now() + kSettle;
    for (;;)
    {
        const Clock::time_point until = survey.Devices().empty() ? end : std::min(end, settled);
        const Clock::time_point now = Clock::now();
        if (now >= until)
            return survey;
        const std::optional<Announcement> announcement = listener_.Receive(until - now);
        if (!announcement)
            continue;
        const std::size_t known = survey.Devices().size();
        survey.Add(*announcement);
        if (survey.Devices().size() != known)
            settled = announcement->arrival + kSettle;
    }
}

void RigDiscovery::AwaitPorts(DeviceSurvey& survey, Clock::time_point end)
{
    for (Clock::time_point now = Clock::now(); now < end && !AllPortsKnown(survey);
         now = Clock::now())
        if (const std::optional<Announcement> announcement = listener_.Receive(end - now))
            survey.Add(*announcement);
}

void RigDiscovery::ResetAll(const DeviceSurvey& survey) const
{
    std::set<std::uint32_t> addresses;
    for (const auto& [deviceId, device] : survey.Devices())
        addresses.insert(device.localAddress);
    for (std::uint32_t address : addresses)
        BroadcastSender(halAddress_, DottedAddress(address)).Reset(kAllDevices);
}

std::vector<RigDevice> RigDevices(const DeviceSurvey& survey)
{
    std::vector<RigDevice> devices;
    std::set<std::uint32_t> taken;
    for (const auto& [deviceId, device] : survey.Devices())
        if (device.deviceClass == 2 && device.port)
            taken.insert(deviceId & kBoxPortMask);
    for (const auto& [deviceId, device] : survey.Devices())
    {
        if (!device.port)
            throw ProbeError(DeviceIdText(deviceId) +
                             " announced itself but never stated its Port");
        const std::uint32_t port = PortOf(device, deviceId, taken);
        taken.insert(port);
        devices.push_back({deviceId, device.deviceClass, std::uint16_t(port), device.localAddress});
    }
    std::sort(devices.begin(), devices.end(),
              [](const RigDevice& a, const RigDevice& b) { return a.port < b.port; });
    return devices;
}
} // namespace HalProbe
