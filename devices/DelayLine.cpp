#include "devices/DelayLine.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace
{
sockaddr_in Endpoint(std::uint32_t address, std::uint16_t port)
{
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_addr.s_addr = address;
    endpoint.sin_port = htons(port);
    return endpoint;
}

// A socket that cannot be bound to the device's address still sends, from the any-address.
int OpenSocket(std::uint32_t localAddress)
{
    const int descriptor = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (descriptor < 0)
        return descriptor;
    const sockaddr_in local = Endpoint(localAddress, 0);
    (void)::bind(descriptor, reinterpret_cast<const sockaddr*>(&local), sizeof(local));
    return descriptor;
}
} // namespace

VDelayLine::VDelayLine(boost::asio::io_context& ioService, std::uint32_t localAddress)
    : ioService_(ioService), descriptor_(OpenSocket(localAddress))
{
}

VDelayLine::~VDelayLine()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

void VDelayLine::SendLate(const void* data, std::size_t length, std::uint32_t remoteAddress,
                          std::uint16_t remotePort, std::chrono::milliseconds delay)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::lock_guard<std::mutex> lock(mutex_);
    if (length > kMaxHeldBytes - heldBytes_)
        return;
    auto timer = std::make_shared<Timer>(ioService_, delay);
    pending_.insert(timer);
    heldBytes_ += length;
    timer->async_wait(
        [self = shared_from_this(), timer,
         datagram = std::vector<std::uint8_t>(bytes, bytes + length), remoteAddress,
         remotePort](const boost::system::error_code& error)
        {
            if (self->Release(timer, datagram.size()) && !error)
                self->SendNow(datagram.data(), datagram.size(), remoteAddress, remotePort);
        });
}

void VDelayLine::Discard()
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const std::shared_ptr<Timer>& timer : pending_)
        timer->cancel();
    pending_.clear();
    heldBytes_ = 0;
}

bool VDelayLine::Release(const std::shared_ptr<Timer>& timer, std::size_t length)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (pending_.erase(timer) == 0)
        return false;
    heldBytes_ -= length;
    return true;
}

void VDelayLine::SendNow(const std::uint8_t* data, std::size_t length, std::uint32_t remoteAddress,
                         std::uint16_t remotePort) const
{
    const sockaddr_in remote = Endpoint(remoteAddress, remotePort);
    (void)::sendto(descriptor_, data, length, MSG_NOSIGNAL,
                   reinterpret_cast<const sockaddr*>(&remote), sizeof(remote));
}
