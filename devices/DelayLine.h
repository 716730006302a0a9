#pragma once
// Sends data datagrams late for a "delay" fault: each datagram is copied and handed to a
// timer of its own on the I/O service, which sends it from a socket of the line's own
// (bound to the device's address) when it falls due. The frame step that produced it never
// waits.
//
// Thread rules: SendLate() is thread-safe (it only starts a timer); the sends run on the
// postal service's I/O thread. Every pending timer holds the line, so the socket outlives
// the last late datagram whoever lets go of the line last.

#include <boost/asio/io_context.hpp>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

class VDelayLine : public std::enable_shared_from_this<VDelayLine>
{
public:
    // Address in network byte order.
    VDelayLine(boost::asio::io_context& ioService, std::uint32_t localAddress);
    ~VDelayLine();
    VDelayLine(const VDelayLine&) = delete;
    VDelayLine& operator=(const VDelayLine&) = delete;

    // Sends the datagram to `remoteAddress` (network order):`remotePort` after `delay`; a
    // send that fails then is dropped, as the network would drop it.
    void SendLate(const void* data, std::size_t length, std::uint32_t remoteAddress,
                  std::uint16_t remotePort, std::chrono::milliseconds delay);

private:
    void SendNow(const std::uint8_t* data, std::size_t length, std::uint32_t remoteAddress,
                 std::uint16_t remotePort) const;

    boost::asio::io_context& ioService_;
    const int descriptor_;
};
