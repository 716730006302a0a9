#pragma once
// Plays the HAL's side of the broadcast commands: sends them from a UDP socket bound to
// the HAL's address to one target (a device host, a subnet broadcast address or
// 255.255.255.255) at the devices' broadcast port. Thread-bound to its owner.

#include "tools/halprobe/BroadcastDatagrams.h"
#include "tools/halprobe/UdpSocket.h"

#include <string>

namespace HalProbe
{
class BroadcastSender
{
public:
    // Throws ProbeError when either address is malformed or the source is not ours.
    BroadcastSender(const std::string& sourceAddress, const std::string& targetAddress,
                    std::uint16_t targetPort = kBroadcastPort);

    // Each throws ProbeError when the datagram cannot be sent.
    void Master(std::uint32_t deviceId, double rateHz, bool surrogate = false);
    void Sync(std::int32_t frame);
    void Reset(std::uint32_t deviceId = kAllDevices);
    void FrameNumber(std::int32_t frame);
    void DataDisable(bool disabled);
    void Preview(std::uint32_t deviceId, bool on);
    // Any bytes at all, for junk and unknown codes.
    void Raw(const std::vector<std::uint8_t>& datagram);

private:
    UdpSocket socket_;
    sockaddr_in target_;
};
} // namespace HalProbe
