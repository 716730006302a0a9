#include "tests/support/UdpTestSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace BriselTest
{
namespace
{
sockaddr_in Address(const std::string& text, std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, text.c_str(), &address.sin_addr) != 1)
        throw std::runtime_error("bad address " + text);
    return address;
}

[[noreturn]] void Fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}
} // namespace

UdpTestSocket::UdpTestSocket(const std::string& sourceAddress, std::uint16_t sourcePort)
{
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        Fail("socket");
    const int on = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    const sockaddr_in source = Address(sourceAddress, sourcePort);
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&source), sizeof(source)) != 0)
        Fail("bind " + sourceAddress);
}

UdpTestSocket::~UdpTestSocket()
{
    ::close(fd_);
}

void UdpTestSocket::EnableBroadcast()
{
    const int on = 1;
    if (::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on)) != 0)
        Fail("SO_BROADCAST");
}

void UdpTestSocket::SetReceiveBufferSize(int bytes)
{
    if (::setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof(bytes)) != 0)
        Fail("SO_RCVBUFFORCE");
}

void UdpTestSocket::SendTo(const std::string& address, std::uint16_t port,
                           const std::vector<std::uint8_t>& datagram)
{
    const sockaddr_in target = Address(address, port);
    const ssize_t sent = ::sendto(fd_, datagram.data(), datagram.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&target), sizeof(target));
    if (sent != static_cast<ssize_t>(datagram.size()))
        Fail("sendto " + address);
}

std::optional<std::vector<std::uint8_t>> UdpTestSocket::Receive(std::chrono::milliseconds timeout)
{
    pollfd entry{fd_, POLLIN, 0};
    if (::poll(&entry, 1, static_cast<int>(timeout.count())) != 1)
        return std::nullopt;
    std::vector<std::uint8_t> datagram(65536);
    const ssize_t count = ::recv(fd_, datagram.data(), datagram.size(), 0);
    if (count < 0)
        return std::nullopt;
    datagram.resize(static_cast<std::size_t>(count));
    return datagram;
}

std::vector<std::uint8_t> BigEndianWords(const std::vector<std::uint32_t>& words)
{
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t word : words)
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<std::uint8_t>(word >> shift));
    return bytes;
}
} // namespace BriselTest
