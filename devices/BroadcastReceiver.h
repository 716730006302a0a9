#pragma once
// Receives the HAL's broadcast commands on UDP port 8666 and hands every datagram from
// the HAL's address to OnBroadcastCommand(). Base of the device manager, which logs
// each command and passes it on to every device.
//
// Thread rules: constructed, started and stopped on the main thread; OnBroadcastCommand()
// is called on the one receive thread ("BroadcastRecv"). Stop() closes the sockets, which
// ends a blocking receive, then joins the thread. The receive buffer belongs to the
// receive thread.

#include "devices/BroadcastCommand.h"
#include "devices/BroadcastSockets.h"

#include <array>
#include <boost/asio/io_context.hpp>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

class VBroadcastReceiver
{
public:
    // Addresses in network byte order. Nothing is opened yet.
    VBroadcastReceiver(std::uint32_t localAddress, std::uint32_t halAddress,
                       boost::asio::io_context& ioService);
    virtual ~VBroadcastReceiver();
    VBroadcastReceiver(const VBroadcastReceiver&) = delete;
    VBroadcastReceiver& operator=(const VBroadcastReceiver&) = delete;

    // One accepted datagram of `length` bytes (0 to 1024).
    virtual void OnBroadcastCommand(const std::uint8_t* data, std::size_t length) = 0;

protected:
    // Binds the sockets and starts the receive thread. A local address that is not on
    // this host leaves the thread ending at once: the program runs on without commands.
    void Start();
    // Ends reception and joins the thread; harmless when not running. A derived class
    // calls it in its own destructor, before OnBroadcastCommand() stops being callable.
    void Stop();

private:
    void ReceiveLoop();

    std::unique_ptr<std::thread> thread_;
    VBroadcastSockets sockets_;
    std::array<std::uint8_t, BroadcastCommand::kMaxDatagramSize> buffer_{};
    const std::uint32_t halAddress_;
    const std::uint32_t localAddress_;
};
