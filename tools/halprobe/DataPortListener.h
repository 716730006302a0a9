#pragma once
// Listens on one of the HAL's data ports, where a device sends its status and data
// records after "notify", and decodes each datagram. Thread-bound to its owner.

#include "tools/halprobe/DataRecord.h"

#include <string>

namespace HalProbe
{
class DataPortListener
{
public:
    // Throws ProbeError when the address is malformed or not ours, or the port is taken.
    DataPortListener(const std::string& halAddress, std::uint16_t port);

    // The next datagram, or nothing when none arrives within `timeout`.
    std::optional<DataRecord> Receive(Clock::duration timeout);

    const sockaddr_in& LocalEndpoint() const { return socket_.LocalEndpoint(); }
    // For waiting on several listeners at once.
    int Descriptor() const { return socket_.Descriptor(); }

private:
    UdpSocket socket_;
};
} // namespace HalProbe
