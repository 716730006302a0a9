#pragma once
// Sends data datagrams late for a "delay" fault: each datagram is copied and handed to a
// timer of its own on the I/O service, which sends it from a socket of the line's own
// (bound to the device's address) when it falls due. The frame step that produced it never
// waits. What the line holds back is bounded (kMaxHeldBytes): beyond it a datagram is
// dropped, as a congested network would drop it, rather than piling up memory for a long
// delay of a busy device. Discard() drops every datagram still held back, so that a device
// that is taken out of service leaves no timer keeping the I/O service busy.
//
// Thread rules: SendLate() and Discard() are thread-safe; `mutex_` guards `pending_` and
// `heldBytes_`, and every call on a pending timer is made under it. The sends run on the
// postal service's I/O thread. Every pending timer holds the line, so the socket outlives
// the last late datagram whoever lets go of the line last.

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>

class VDelayLine : public std::enable_shared_from_this<VDelayLine>
{
public:
    // Address in network byte order.
    VDelayLine(boost::asio::io_context& ioService, std::uint32_t localAddress);
    ~VDelayLine();
    VDelayLine(const VDelayLine&) = delete;
    VDelayLine& operator=(const VDelayLine&) = delete;

    // Bytes the line holds back at most, across all pending datagrams.
    static constexpr std::size_t kMaxHeldBytes = 64u << 20;

    // Sends the datagram to `remoteAddress` (network order):`remotePort` after `delay`; a
    // send that fails then, or a datagram beyond kMaxHeldBytes, is dropped, as the network
    // would drop it.
    void SendLate(const void* data, std::size_t length, std::uint32_t remoteAddress,
                  std::uint16_t remotePort, std::chrono::milliseconds delay);
    // Drops every datagram still held back.
    void Discard();

private:
    using Timer = boost::asio::steady_timer;

    // Takes a fallen-due or cancelled timer off the pending set; true when it still was there.
    bool Release(const std::shared_ptr<Timer>& timer, std::size_t length);
    void SendNow(const std::uint8_t* data, std::size_t length, std::uint32_t remoteAddress,
                 std::uint16_t remotePort) const;

    boost::asio::io_context& ioService_;
    const int descriptor_;
    std::mutex mutex_;
    std::set<std::shared_ptr<Timer>> pending_;
    std::size_t heldBytes_ = 0;
};
