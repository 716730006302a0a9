#pragma once
// The faults the console injects from the command line: one "fault" command (-fault, the
// words a device's session takes after "fault") set on every device, or on the devices at
// the ports -faultports lists, before they come up.
//
// Thread rules: thread-bound to the main thread.

#include "vul/vul_arg.h"

#include <set>
#include <string>

class VFakeDeviceManager;

namespace BriselCL
{
struct FaultOptions
{
    vul_arg<std::string> fault{"-fault",
                               "Fault for the devices: \"drop SHARE [seed N]\", \"silence MS\", "
                               "\"delay MS\", \"mute MS\" or \"refuse MS\"",
                               ""};
    vul_arg<std::string> faultPorts{
        "-faultports", "Ports of the devices -fault applies to, e.g. 3,5 (default: all)", ""};
};

class FaultInjection
{
public:
    explicit FaultInjection(const FaultOptions& options) : options_(options) {}

    // Empty when the options can be used; otherwise the line that says why not.
    std::string Check() const;
    // Sets the fault on the chosen devices and prints one line per device it set; names on
    // standard error a listed port that has no device.
    void Apply(VFakeDeviceManager& manager) const;

private:
    // The listed ports, or nothing when the list is malformed; empty means every device.
    bool ReadPorts(std::set<unsigned>& ports) const;

    const FaultOptions& options_;
};
} // namespace BriselCL
