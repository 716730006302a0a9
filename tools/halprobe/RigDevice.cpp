#include "tools/halprobe/RigDevice.h"

#include "tools/halprobe/ProbeError.h"
#include "tools/halprobe/RecordText.h"
#include "tools/halprobe/TextFormat.h"

#include <algorithm>

namespace HalProbe
{
std::string RigDeviceName(const RigDevice& device)
{
    return Format("%s 0x%08X", device.IsNetworkBox() ? "box" : "camera", device.deviceId);
}

const RigDevice& ChooseSyncMaster(const std::vector<RigDevice>& devices,
                                  std::optional<std::uint32_t> requested)
{
    if (!requested)
    {
        const auto box =
            std::find_if(devices.begin(), devices.end(),
                         [](const RigDevice& device) { return device.IsNetworkBox(); });
        return box != devices.end() ? *box : devices.front();
    }
    const auto named =
        std::find_if(devices.begin(), devices.end(),
                     [&](const RigDevice& device) { return device.deviceId == *requested; });
    if (named == devices.end())
        throw ProbeError(Format("device %s is not among the %zu devices found",
                                DeviceIdText(*requested).c_str(), devices.size()));
    return *named;
}
} // namespace HalProbe
