#pragma once
// Makes one device the rig's sync master at a frame rate for as long as it lives, with the
// devices' data enabled, by broadcast to every address the devices state; when it goes, the
// rig runs free again (MASTER none) and no device produces frames. Thread-bound to its
// owner.

#include "tools/halprobe/BroadcastSender.h"
#include "tools/halprobe/RigDevice.h"

#include <memory>
#include <vector>

namespace HalProbe
{
class SyncMaster
{
public:
    // Throws ProbeError when a broadcast cannot be sent.
    SyncMaster(const std::string& halAddress, const std::vector<RigDevice>& devices,
               std::uint32_t masterId, double rateHz);
    // A failure to send is reported on standard error; the rig may then still run.
    ~SyncMaster();
    SyncMaster(const SyncMaster&) = delete;
    SyncMaster& operator=(const SyncMaster&) = delete;

private:
    std::vector<std::unique_ptr<BroadcastSender>> senders_; // one per device address
    const double rateHz_;
};
} // namespace HalProbe
