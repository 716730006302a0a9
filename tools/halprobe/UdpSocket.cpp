#include "tools/halprobe/UdpSocket.h"

#include "tools/halprobe/PollUntil.h"
#include "tools/halprobe/ProbeError.h"
#include "tools/halprobe/SocketAddress.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace HalProbe
{
namespace
{
// Larger than any IPv4 UDP payload, so nothing arrives truncated.
constexpr std::size_t kReceiveCapacity = 65536;
} // namespace

UdpSocket::UdpSocket(const std::string& address, std::uint16_t port)
    : local_(MakeSocketAddress(address, port))
{
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        ProbeError::FromErrno("cannot open a UDP socket");
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local_), sizeof(local_)) != 0)
    {
        const int error = errno;
        ::close(fd_);
        errno = error;
        ProbeError::FromErrno("cannot bind " + EndpointText(local_));
    }
}

UdpSocket::~UdpSocket()
{
    ::close(fd_);
}

void UdpSocket::EnableBroadcast()
{
    const int on = 1;
    if (::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on)) != 0)
        ProbeError::FromErrno("cannot enable broadcasts");
}

void UdpSocket::SendTo(const sockaddr_in& target, const std::vector<std::uint8_t>& datagram)
{
    const ssize_t sent = ::sendto(fd_, datagram.data(), datagram.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&target), sizeof(target));
    if (sent < 0)
        ProbeError::FromErrno("cannot send to " + EndpointText(target));
    if (static_cast<std::size_t>(sent) != datagram.size())
        throw ProbeError("short send to " + EndpointText(target));
}

std::optional<Datagram> UdpSocket::Receive(Clock::time_point deadline)
{
    if (!PollUntil(fd_, POLLIN, deadline, "for a datagram"))
        return std::nullopt;
    Datagram datagram;
    datagram.bytes.resize(kReceiveCapacity);
    sockaddr_in sender{};
    socklen_t senderLength = sizeof(sender);
    const ssize_t count = ::recvfrom(fd_, datagram.bytes.data(), datagram.bytes.size(), 0,
                                     reinterpret_cast<sockaddr*>(&sender), &senderLength);
    if (count < 0)
        ProbeError::FromErrno("cannot receive on " + EndpointText(local_));
    datagram.arrival = Clock::now();
    datagram.bytes.resize(static_cast<std::size_t>(count));
    datagram.sender = ntohl(sender.sin_addr.s_addr);
    datagram.senderPort = ntohs(sender.sin_port);
    return datagram;
}
} // namespace HalProbe
