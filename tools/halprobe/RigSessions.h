#pragma once
// The HAL's command sessions with every device of the rig, readied to stream to one data
// port as the HAL readies them: "notify" (the data port, with the device's Port as session
// tag), "datadisable false" and "portset". The sessions stay open while this lives.
// Thread-bound to its owner.

#include "tools/halprobe/CommandSession.h"
#include "tools/halprobe/RigDevice.h"

#include <memory>
#include <vector>

namespace HalProbe
{
class RigSessions
{
public:
    // Each device gets up to `timeout` for its session to come up and for each reply. Throws
    // ProbeError naming the device whose session failed or which answered a command with
    // more than the prompt.
    RigSessions(const std::vector<RigDevice>& devices, std::uint16_t dataPort,
                Clock::duration timeout);

private:
    std::vector<std::unique_ptr<CommandSession>> sessions_;
};
} // namespace HalProbe
