#include "devices/BroadcastSockets.h"

#include <arpa/inet.h>
#include <cerrno>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>

namespace
{
std::uint32_t AddressOf(const sockaddr* address)
{
    return reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr;
}
} // namespace

VBroadcastSockets::VBroadcastSockets(boost::asio::io_context& ioService)
    : ioService_(ioService), unicastSocket_(ioService)
{
}

void VBroadcastSockets::Open(std::uint32_t localAddress, std::uint32_t halAddress,
                             std::uint16_t port)
{
    std::lock_guard<std::mutex> lock(receiveMutex_);
    sockets_ = {&unicastSocket_};
    const bool bound = unicastSocket_.OpenForReceiving(localAddress, halAddress, port);
    // Bound to the any-address, the socket already sees every broadcast.
    if (!bound || localAddress == htonl(INADDR_ANY))
        return;
    // One socket per address: two bound to the same broadcast address would each get a
    // copy of every datagram sent to it, and every command would be handled twice.
    const std::uint32_t limited = htonl(INADDR_BROADCAST);
    const std::optional<std::uint32_t> subnet = SubnetBroadcastOf(localAddress);
    if (subnet && *subnet != limited && *subnet != localAddress)
        AddBroadcastSocket(*subnet, halAddress, port);
    if (localAddress != limited)
        AddBroadcastSocket(limited, halAddress, port);
}

// Called with receiveMutex_ held. A broadcast address that cannot be bound only means
// those broadcasts do not arrive; commands sent to the local address still do.
void VBroadcastSockets::AddBroadcastSocket(std::uint32_t broadcastAddress, std::uint32_t halAddress,
                                           std::uint16_t port)
{
    auto socket = std::make_unique<VAsioUdpSocket>(ioService_);
    if (!socket->OpenForReceiving(broadcastAddress, halAddress, port))
        return;
    sockets_.push_back(socket.get());
    broadcastSockets_.push_back(std::move(socket));
}

int VBroadcastSockets::Receive(void* buffer, std::size_t capacity)
{
    std::lock_guard<std::mutex> lock(receiveMutex_);
    // Closed, possibly before the receive thread first got here.
    if (sockets_.empty())
        return VAsioUdpSocket::kReceiveFailed;
    if (sockets_.size() == 1)
        return unicastSocket_.Receive(buffer, capacity);
    for (;;)
    {
        const int result = ReceiveFromReady(buffer, capacity);
        if (result != VAsioUdpSocket::kNothingAccepted)
            return result;
    }
}

// Waits until one of the sockets is readable (or shut down by Close()) and takes one
// datagram from the first that has one.
int VBroadcastSockets::ReceiveFromReady(void* buffer, std::size_t capacity)
{
    std::vector<pollfd> entries;
    for (VAsioUdpSocket* socket : sockets_)
        entries.push_back({socket->NativeHandle(), POLLIN, 0});
    if (::poll(entries.data(), entries.size(), -1) < 0)
        return errno == EINTR ? VAsioUdpSocket::kNothingAccepted : VAsioUdpSocket::kReceiveFailed;
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        if (entries[i].revents == 0)
            continue;
        const int result = sockets_[i]->ReceivePending(buffer, capacity);
        if (result != VAsioUdpSocket::kNothingAccepted)
            return result;
    }
    return VAsioUdpSocket::kNothingAccepted;
}

void VBroadcastSockets::Close()
{
    unicastSocket_.Interrupt();
    for (auto& socket : broadcastSockets_)
        socket->Interrupt();
    std::lock_guard<std::mutex> lock(receiveMutex_);
    unicastSocket_.Close();
    broadcastSockets_.clear();
    sockets_.clear();
}

// The interface's own broadcast address where one is configured; an address configured
// without one reports itself (or nothing) there, and then the subnet's is derived from
// the netmask.
std::optional<std::uint32_t> VBroadcastSockets::SubnetBroadcastOf(std::uint32_t localAddress)
{
    ifaddrs* interfaces = nullptr;
    if (::getifaddrs(&interfaces) != 0)
        return std::nullopt;
    std::optional<std::uint32_t> broadcast;
    for (const ifaddrs* entry = interfaces; entry && !broadcast; entry = entry->ifa_next)
    {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET ||
            !(entry->ifa_flags & IFF_BROADCAST) || AddressOf(entry->ifa_addr) != localAddress)
            continue;
        const std::uint32_t configured = entry->ifa_broadaddr ? AddressOf(entry->ifa_broadaddr) : 0;
        const std::uint32_t mask = entry->ifa_netmask ? AddressOf(entry->ifa_netmask) : 0;
        const bool usable = configured != 0 && configured != localAddress;
        broadcast = usable ? configured : (localAddress & mask) | ~mask;
    }
    ::freeifaddrs(interfaces);
    return broadcast;
}
