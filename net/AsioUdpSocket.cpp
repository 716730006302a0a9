#include "net/AsioUdpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace
{
boost::asio::ip::udp::endpoint Endpoint(std::uint32_t networkOrderAddress, std::uint16_t port)
{
    return {boost::asio::ip::address_v4(ntohl(networkOrderAddress)), port};
}
} // namespace

VAsioUdpSocket::VAsioUdpSocket(boost::asio::io_context& ioService) : socket_(ioService) {}

VAsioUdpSocket::~VAsioUdpSocket()
{
    Close();
}

bool VAsioUdpSocket::Open()
{
    boost::system::error_code error;
    if (!socket_.is_open())
    {
        socket_.open(boost::asio::ip::udp::v4(), error);
        if (error)
            return false;
        nativeHandle_ = socket_.native_handle();
        interrupted_ = false;
    }
    socket_.set_option(boost::asio::socket_base::reuse_address(true), error);
    return !error;
}

void VAsioUdpSocket::OpenForSending(std::uint32_t localAddress, std::uint32_t remoteAddress,
                                    std::uint16_t remotePort)
{
    if (!Open())
        return;
    boost::system::error_code error;
    socket_.non_blocking(true, error);
    if (!error)
        socket_.bind(Endpoint(localAddress, 0), error);
    if (!error)
        socket_.connect(Endpoint(remoteAddress, remotePort), error);
}

bool VAsioUdpSocket::WaitUntilWritable()
{
    pollfd entry{NativeHandle(), POLLOUT, 0};
    return ::poll(&entry, 1, -1) == 1 && (entry.revents & POLLOUT) != 0;
}

bool VAsioUdpSocket::Send(const void* buffer, std::size_t length)
{
    if (!socket_.is_open())
        return false;
    for (;;)
    {
        const ssize_t sent = ::send(NativeHandle(), buffer, length, MSG_NOSIGNAL);
        if (sent >= 0)
            return static_cast<std::size_t>(sent) == length;
        if ((errno != EAGAIN && errno != EWOULDBLOCK) || !WaitUntilWritable())
            return false;
    }
}

bool VAsioUdpSocket::OpenForReceiving(std::uint32_t localAddress, std::uint32_t acceptedSender,
                                      std::uint16_t port)
{
    std::lock_guard<std::mutex> lock(receiveMutex_);
    receiveReady_ = false;
    if (!Open())
        return false;
    acceptedSender_ = acceptedSender;
    boost::system::error_code error;
    socket_.bind(Endpoint(localAddress, port), error);
    receiveReady_ = !error;
    return receiveReady_;
}

bool VAsioUdpSocket::OpenForReceiving(std::uint32_t acceptedSender, std::uint16_t port)
{
    return OpenForReceiving(htonl(INADDR_ANY), acceptedSender, port);
}

int VAsioUdpSocket::Receive(void* buffer, std::size_t capacity)
{
    std::lock_guard<std::mutex> lock(receiveMutex_);
    for (;;)
    {
        const int result = ReceiveOne(buffer, capacity, 0);
        if (result != kNothingAccepted)
            return result;
    }
}

int VAsioUdpSocket::ReceivePending(void* buffer, std::size_t capacity)
{
    std::lock_guard<std::mutex> lock(receiveMutex_);
    return ReceiveOne(buffer, capacity, MSG_DONTWAIT);
}

// Reads one datagram; the caller holds receiveMutex_. Linux truncates a datagram that
// does not fit silently, so MSG_TRUNC is turned into the error other platforms report.
// Only the accepted sender can cause that error: anyone else's datagram is dropped first.
int VAsioUdpSocket::ReceiveOne(void* buffer, std::size_t capacity, int flags)
{
    if (!receiveReady_ || interrupted_)
        return kReceiveFailed;
    sockaddr_storage sender{};
    iovec data{buffer, capacity};
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = sizeof(sender);
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    const ssize_t count = ::recvmsg(NativeHandle(), &message, flags);
    if (interrupted_)
        return kReceiveFailed;
    if (count < 0)
        return (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? kNothingAccepted
                                                                           : kReceiveFailed;
    const auto* from = reinterpret_cast<const sockaddr_in*>(&sender);
    if (sender.ss_family != AF_INET || from->sin_addr.s_addr != acceptedSender_)
        return kNothingAccepted;
    if (message.msg_flags & MSG_TRUNC)
        return kReceiveFailed;
    return static_cast<int>(count);
}

// Linux does not wake a thread blocked in recvmsg() when another thread closes the
// descriptor; shutting the socket down does, even for an unconnected UDP socket.
void VAsioUdpSocket::Interrupt()
{
    interrupted_ = true;
    const int handle = NativeHandle();
    if (handle >= 0)
        ::shutdown(handle, SHUT_RDWR);
}

bool VAsioUdpSocket::Close()
{
    if (!IsOpen())
        return false;
    Interrupt();
    std::lock_guard<std::mutex> lock(receiveMutex_);
    boost::system::error_code error;
    socket_.close(error);
    nativeHandle_ = -1;
    receiveReady_ = false;
    return true;
}

bool VAsioUdpSocket::IsOpen() const
{
    return NativeHandle() >= 0;
}
