#pragma once
// A blocking IPv4 UDP socket bound to one local address, with deadline-limited receives;
// the common ground of the probe's sender and listeners. Thread-bound to its owner.

#include "tools/halprobe/PollUntil.h"

#include <cstdint>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <vector>

namespace HalProbe
{
struct Datagram
{
    std::vector<std::uint8_t> bytes;
    std::uint32_t sender = 0; // host order
    Clock::time_point arrival;
    std::uint16_t senderPort = 0;
};

class UdpSocket
{
public:
    // Binds to `address`:`port` (port 0 = any). Throws ProbeError naming the endpoint
    // when the address is malformed, not on this host or the port is taken.
    UdpSocket(const std::string& address, std::uint16_t port);
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    void EnableBroadcast();
    // Throws ProbeError unless the whole datagram was sent.
    void SendTo(const sockaddr_in& target, const std::vector<std::uint8_t>& datagram);
    // The next datagram, or nothing when none arrived before `deadline`.
    std::optional<Datagram> Receive(Clock::time_point deadline);

    const sockaddr_in& LocalEndpoint() const { return local_; }
    // For waiting on several sockets at once.
    int Descriptor() const { return fd_; }

private:
    int fd_ = -1;
    sockaddr_in local_{};
};
} // namespace HalProbe
