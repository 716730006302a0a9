#pragma once
// Announces a connected device to the HAL on UDP port 8570: an awake packet once, then an
// alive packet with a running 16-bit counter every 100 ms. Created when the device comes
// up and destroyed when it goes down; all servers of the process tick on one shared
// periodic callback thread.
//
// Thread rules: construction and destruction are thread-bound to the owner (the main
// thread); OnTimer() is thread-bound to the periodic callback's thread. Both packets are
// prepared before the server registers with the callback, and `aliveCounter_` and the
// counter bytes of `alive_` are touched only by OnTimer(). The periodic callback's lock
// keeps OnTimer() and the destructor apart.

#include "Utils/UtilsThreading/PeriodicCallback.h"
#include "Utils/UtilsThreading/TimerCallback.h"
#include "net/AsioUdpSocket.h"

#include <array>
#include <boost/asio/io_context.hpp>
#include <cstdint>

class VDeviceFaults;

class VAwakeAndAliveServer final : public UtilsThreading::ITimerCallback, public VDataOutSocket
{
public:
    static constexpr std::uint16_t kHalPort = 8570;
    static constexpr std::size_t kAwakeSize = 28;
    static constexpr std::size_t kAliveSize = 32;

    // Addresses in network byte order. Ticks on the process-wide 100 ms periodic
    // callback, which the first server creates. While `faults` (which must outlive the
    // server) say the device is muted, nothing is sent, though the counter runs on.
    VAwakeAndAliveServer(std::uint32_t localAddress, std::uint32_t halAddress,
                         std::uint32_t deviceId, std::uint32_t port, std::uint32_t deviceClass,
                         boost::asio::io_context& ioService, const VDeviceFaults* faults = nullptr);
    // The same on a periodic callback of the caller's, which must outlive the server.
    VAwakeAndAliveServer(std::uint32_t localAddress, std::uint32_t halAddress,
                         std::uint32_t deviceId, std::uint32_t port, std::uint32_t deviceClass,
                         boost::asio::io_context& ioService,
                         UtilsThreading::VPeriodicCallback& timer,
                         const VDeviceFaults* faults = nullptr);
    // Once it returns OnTimer() is not running and will not run again.
    ~VAwakeAndAliveServer() override;

    // Sends the awake packet when the counter is 0, then the alive packet with the
    // counter, which then advances (wrapping after 65535). Failed sends are dropped.
    void OnTimer() override;

private:
    std::array<std::uint8_t, kAwakeSize> awake_;
    std::array<std::uint8_t, kAliveSize> alive_;
    std::uint16_t aliveCounter_ = 0;
    UtilsThreading::VPeriodicCallback& timer_;
    const VDeviceFaults* const faults_;
};
