#include "app/FaultOptions.h"

#include "devices/CommandText.h"
#include "devices/FakeDeviceManager.h"
#include "devices/FaultCommand.h"

#include <cstdio>

namespace BriselCL
{
bool FaultInjection::ReadPorts(std::set<unsigned>& ports) const
{
    for (const std::string& word : CommandText::Tokens(options_.faultPorts(), ","))
    {
        const std::optional<int> port = CommandText::DecimalInt(word);
        if (!port || *port < 1)
            return false;
        ports.insert(static_cast<unsigned>(*port));
    }
    return true;
}

std::string FaultInjection::Check() const
{
    std::set<unsigned> ports;
    if (!ReadPorts(ports))
        return "-faultports must list device ports from 1 up, separated by commas, not " +
               options_.faultPorts();
    if (options_.faultPorts.set() && !options_.fault.set())
        return "-faultports needs a -fault to apply";
    std::string error;
    if (options_.fault.set() && !ParseFaultCommand(options_.fault(), error))
        return "-fault \"" + options_.fault() + "\" cannot be used: " + error + "\n" +
               FaultCommand::kUsage;
    return {};
}

void FaultInjection::Apply(VFakeDeviceManager& manager) const
{
    if (!options_.fault.set())
        return;
    std::set<unsigned> ports;
    ReadPorts(ports);
    std::set<unsigned> missing = ports;
    for (unsigned i = 0; i < manager.GetDeviceCount(); ++i)
    {
        const std::shared_ptr<VFakeDevice> device = manager.GetDevice(i);
        if (!ports.empty() && missing.erase(device->GetPort()) == 0)
            continue;
        std::printf("Fault on device %u: %s\n", device->GetPort(),
                    device->ApplyFault(options_.fault()).c_str());
    }
    for (const unsigned port : missing)
        std::fprintf(stderr, "-faultports names port %u, where there is no device\n", port);
}
} // namespace BriselCL
