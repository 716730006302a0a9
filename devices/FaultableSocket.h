#pragma once
// The data socket of a device's source: sends as its base does while the device has no
// data fault, and otherwise drops, holds back or delays each datagram as the device's
// faults decide.
//
// Thread rules: as its base (thread-bound to the source's frame thread); the faults it
// consults are thread-safe.

#include "net/AsioUdpSocket.h"

class VDeviceFaults;

class VFaultableSocket final : public VDataOutSocket
{
public:
    // Addresses in network byte order: the remote end is where late datagrams go.
    VFaultableSocket(boost::asio::io_context& ioService, VDeviceFaults& faults,
                     std::uint32_t remoteAddress, std::uint16_t remotePort);

    // True for a datagram a fault took, as the network would have taken it.
    bool Send(const void* buffer, std::size_t length) override;

private:
    VDeviceFaults& faults_;
    const std::uint32_t remoteAddress_;
    const std::uint16_t remotePort_;
};
