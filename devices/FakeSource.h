#pragma once
// Base of every data source: the object that turns one frame of a device's data into UDP
// datagrams to one of the HAL's data ports, on a socket of its own.
//
// Thread rules: created on the thread handling "portset" (the I/O thread); Produce() is
// thread-bound to the device's frame thread; destroyed on either.

#include "devices/FaultableSocket.h"

#include <boost/asio/io_context.hpp>
#include <cstdint>

class VFakeDevice;

class VFakeSource
{
public:
    // Opens the socket from the device's local address to `port` of the HAL; the device's
    // faults act on every datagram sent on it.
    VFakeSource(VFakeDevice& device, boost::asio::io_context& ioService, std::uint16_t port);
    virtual ~VFakeSource();
    VFakeSource(const VFakeSource&) = delete;
    VFakeSource& operator=(const VFakeSource&) = delete;

    // Sends the data of frame `currentFrame` (the frame produced before it was
    // `previousFrame`); `bytesSent` receives the bytes handed to the socket.
    virtual void Produce(std::uint32_t currentFrame, std::uint32_t previousFrame,
                         std::uint32_t& bytesSent) = 0;

    std::uint16_t GetPort() const { return port_; }

protected:
    VFakeDevice& GetDevice() const { return device_; }
    VDataOutSocket& GetSocket() { return socket_; }

private:
#ifdef BRISEL_WITHOUT_FAULT_HOOKS
    // A build for measuring what the fault check costs: the plain socket, no faults on data.
    VDataOutSocket socket_;
#else
    VFaultableSocket socket_;
#endif
    VFakeDevice& device_;
    const std::uint16_t port_;
};
