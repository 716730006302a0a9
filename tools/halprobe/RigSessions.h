#pragma once
// The HAL's command sessions with every device of the rig, readied to stream to one data
// port as the HAL readies them: "notify" (the data port, with the device's Port as session
// tag), "datadisable false" and "portset", then the caller's own commands for cameras or for
// network boxes (a box's rate and channels, say). The sessions stay open while this lives.
// Thread-bound to its owner.

#include "tools/halprobe/CommandSession.h"
#include "tools/halprobe/RigDevice.h"

#include <memory>
#include <string>
#include <vector>

namespace HalProbe
{
// Commands sent to every camera or every network box after it is readied, in this order.
struct DeviceCommands
{
    std::vector<std::string> camera;
    std::vector<std::string> box;
};

class RigSessions
{
public:
    // Each device gets up to `timeout` for its session to come up and for each reply. Throws
    // ProbeError naming the device whose session failed or which answered a command with
    // more than the prompt.
    RigSessions(const std::vector<RigDevice>& devices, std::uint16_t dataPort,
                const DeviceCommands& commands, Clock::duration timeout);

    // "box 0x02000001: info: …" for every one of the caller's commands that had a reply.
    const std::vector<std::string>& Replies() const { return replies_; }

private:
    std::vector<std::unique_ptr<CommandSession>> sessions_;
    std::vector<std::string> replies_;
};
} // namespace HalProbe
