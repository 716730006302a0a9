#include "tools/halprobe/SyncMaster.h"

#include "tools/halprobe/SocketAddress.h"

#include <cstdio>
#include <set>

namespace HalProbe
{
SyncMaster::SyncMaster(const std::string& halAddress, const std::vector<RigDevice>& devices,
                       std::uint32_t masterId, double rateHz)
    : rateHz_(rateHz)
{
    std::set<std::uint32_t> addresses;
    for (const RigDevice& device : devices)
        addresses.insert(device.address);
    for (std::uint32_t address : addresses)
        senders_.push_back(std::make_unique<BroadcastSender>(halAddress, DottedAddress(address)));
    for (const auto& sender : senders_)
    {
        sender->DataDisable(false);
        sender->Master(masterId, rateHz);
    }
}

SyncMaster::~SyncMaster()
{
    for (const auto& sender : senders_)
    {
        try
        {
            sender->Master(kAllDevices, rateHz_);
        }
        catch (const std::exception& error)
        {
            std::fprintf(stderr, "halprobe: the rig may still run: %s\n", error.what());
        }
    }
}
} // namespace HalProbe
