#pragma once
// The sockets on which the HAL's broadcast commands arrive. On Linux a socket bound to
// a unicast address sees only datagrams sent to that address, while the HAL also sends
// its commands to the local subnet's broadcast address and to 255.255.255.255; so next
// to the socket bound to the local address there is one bound to each broadcast
// address that reaches the local interface. All accept the HAL's address only.
//
// Thread rules: Open() and Close() are thread-bound to the owner (the device manager's
// main thread); Receive() is thread-bound to the one receive thread. Close() may run
// while Receive() is blocked: it interrupts the wait, then closes the sockets under
// `receiveMutex_`, which Receive() holds while it uses them.

#include "net/AsioUdpSocket.h"

#include <boost/asio/io_context.hpp>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class VBroadcastSockets
{
public:
    explicit VBroadcastSockets(boost::asio::io_context& ioService);

    // Addresses in network byte order. When the local address cannot be bound (it is
    // not on this host) nothing else is opened and Receive() fails at once.
    void Open(std::uint32_t localAddress, std::uint32_t halAddress, std::uint16_t port);

    // Blocks for the next datagram from the HAL on any of the sockets; its byte count,
    // or -1 once closed or on any receive error.
    int Receive(void* buffer, std::size_t capacity);

    void Close();

    // The directed broadcast address of the interface that holds `localAddress`, if that
    // interface has one (loopback has none). Network byte order.
    static std::optional<std::uint32_t> SubnetBroadcastOf(std::uint32_t localAddress);

private:
    void AddBroadcastSocket(std::uint32_t broadcastAddress, std::uint32_t halAddress,
                            std::uint16_t port);
    int ReceiveFromReady(void* buffer, std::size_t capacity);

    boost::asio::io_context& ioService_;
    VAsioUdpSocket unicastSocket_;
    std::vector<std::unique_ptr<VAsioUdpSocket>> broadcastSockets_;
    std::vector<VAsioUdpSocket*> sockets_; // all of the above, in poll order
    std::mutex receiveMutex_;
};
