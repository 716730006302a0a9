#pragma once
// One IPv4 UDP socket on the postal service's I/O service, used synchronously: devices
// send their datagrams to the HAL through it and the broadcast receiver receives the
// HAL's commands with it. Addresses are in network byte order, ports in host order.
//
// Thread rules: thread-bound to its owner, except that Close() and Interrupt() may be
// called from another thread while one receive thread is blocked in Receive() or
// ReceivePending(); `receiveMutex_` is held by the receiving call and by Close() around
// the descriptor, so the socket is never closed under a receive in progress.

#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>
#include <cstddef>
#include <cstdint>
#include <mutex>

class VAsioUdpSocket
{
public:
    // Results of ReceivePending() besides a byte count.
    static constexpr int kReceiveFailed = -1;
    static constexpr int kNothingAccepted = -2;

    explicit VAsioUdpSocket(boost::asio::io_context& ioService);
    virtual ~VAsioUdpSocket();
    VAsioUdpSocket(const VAsioUdpSocket&) = delete;
    VAsioUdpSocket& operator=(const VAsioUdpSocket&) = delete;

    // Opens an IPv4 UDP socket if none is open and enables address reuse.
    bool Open();

    // Non-blocking socket bound to `localAddress` (any port) and connected to the
    // remote end. A failed step leaves the socket as far as it got; Send() reports it.
    void OpenForSending(std::uint32_t localAddress, std::uint32_t remoteAddress,
                        std::uint16_t remotePort);

    // One datagram on the connected socket; true only if all `length` bytes went out.
    // While the socket buffer is full it waits until it can send again.
    // Virtual so that a device's data socket can inject faults.
    virtual bool Send(const void* buffer, std::size_t length);

    // Binds to `localAddress`:`port` and accepts datagrams from `acceptedSender` only.
    // Returns whether the bind succeeded; after a failed bind Receive() fails at once.
    bool OpenForReceiving(std::uint32_t localAddress, std::uint32_t acceptedSender,
                          std::uint16_t port);
    // The same, bound to the any-address.
    bool OpenForReceiving(std::uint32_t acceptedSender, std::uint16_t port);

    // Blocks until a datagram from the accepted sender arrives (datagrams from anyone
    // else are dropped, whatever their port) and returns its byte count; -1 when the
    // socket is closed or interrupted, or on any error, including a datagram larger
    // than `capacity`, which is never delivered truncated.
    int Receive(void* buffer, std::size_t capacity);

    // Like Receive() but without waiting: kNothingAccepted when no datagram was queued
    // or the queued one came from another sender.
    int ReceivePending(void* buffer, std::size_t capacity);

    // Makes a blocked Receive() return -1, now and from then on until reopened.
    void Interrupt();

    // Interrupts any receive, then closes the socket. False if it was not open.
    bool Close();
    bool IsOpen() const;

    // The descriptor, for waiting on several sockets at once; -1 while closed.
    int NativeHandle() const { return nativeHandle_.load(); }

private:
    int ReceiveOne(void* buffer, std::size_t capacity, int flags);
    bool WaitUntilWritable();

    boost::asio::ip::udp::socket socket_;
    std::uint32_t acceptedSender_ = 0;
    bool receiveReady_ = false; // guarded by receiveMutex_
    std::atomic<int> nativeHandle_{-1};
    std::atomic<bool> interrupted_{false};
    mutable std::mutex receiveMutex_;
};

// A socket of a component that only sends (announcements, previews, device data).
class VDataOutSocket : public VAsioUdpSocket
{
public:
    using VAsioUdpSocket::VAsioUdpSocket;
};
