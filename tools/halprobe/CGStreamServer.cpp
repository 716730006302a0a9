#include "tools/halprobe/CGStreamServer.h"

#include "cgstream/CGStreamPacket.h"
#include "tools/halprobe/ProbeError.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace SarnetCGStream;

namespace HalProbe
{
namespace
{
// How often a waiting server thread looks whether it is being stopped.
constexpr int kStopCheckMilliseconds = 20;
// A client's requests are a few bytes; anything far larger is not a client of ours.
constexpr std::uint32_t kMaxRequestLength = 1u << 16;

std::uint16_t BoundPort(int listener)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

bool SendAll(int socket, const std::uint8_t* data, std::size_t size)
{
    while (size > 0)
    {
        const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

std::vector<std::uint8_t> OfferPacket(const std::set<std::uint32_t>& offered)
{
    VObjectEnums offer;
    offer.types = offered;
    VPacketBuilder packet;
    packet.Add(offer);
    return packet.Finish();
}

std::vector<std::uint8_t> FramePacket(std::uint32_t frame, const std::set<std::uint32_t>& wanted)
{
    VPacketBuilder packet;
    VStreamInfo info;
    info.value = frame;
    if (wanted.count(kStreamInfo))
        packet.Add(info);
    VFrameInfo frameInfo;
    frameInfo.frameNumber = frame;
    packet.Add(frameInfo);
    if (wanted.count(kTimecode))
        packet.Add(VTimecode());
    return packet.Finish();
}
} // namespace

int ListenOnLoopback(std::uint16_t port)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0)
        throw ProbeError("cannot open the CG stream listener");
    const int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 1) != 0)
    {
        ::close(listener);
        throw ProbeError("cannot listen on CG stream port " + std::to_string(port));
    }
    return listener;
}

VCGStreamServer::VCGStreamServer(std::uint16_t port, FrameSource frames)
    : listener_(ListenOnLoopback(port)), port_(BoundPort(listener_)),
      frames_(std::move(frames)), offered_{kStreamInfo, kSubjectInfo, kFrameInfo, kTimecode,
                                           kContents}
{
    if (!frames_)
        frames_ = [next = std::uint32_t(1)]() mutable { return next++; };
    thread_ = std::thread([this] { Serve(); });
}

VCGStreamServer::~VCGStreamServer()
{
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

void VCGStreamServer::SetOfferedTypes(std::set<std::uint32_t> types)
{
    std::lock_guard<std::mutex> lock(mutex_);
    offered_ = std::move(types);
}

void VCGStreamServer::CloseMidPacketAfter(unsigned answers)
{
    std::lock_guard<std::mutex> lock(mutex_);
    closeMidPacketAfter_ = answers;
}

void VCGStreamServer::StopAnsweringAfter(unsigned answers)
{
    std::lock_guard<std::mutex> lock(mutex_);
    stopAnsweringAfter_ = answers;
}

std::set<std::uint32_t> VCGStreamServer::GetRequestedTypes() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requested_;
}

bool VCGStreamServer::WaitUntil(const std::function<bool()>& condition,
                                std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout,
                             [&]
                             {
                                 lock.unlock();
                                 const bool holds = condition();
                                 lock.lock();
                                 return holds;
                             });
}

void VCGStreamServer::NoteChange()
{
    { // Taking the lock orders the change before a waiter's next check.
        std::lock_guard<std::mutex> lock(mutex_);
    }
    changed_.notify_all();
}

// ---- server thread ---------------------------------------------------------------------

void VCGStreamServer::Serve()
{
    while (!stopping_)
    {
        pollfd ready{listener_, POLLIN, 0};
        if (::poll(&ready, 1, kStopCheckMilliseconds) <= 0)
            continue;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        ++sessions_;
        ServeClient(client);
        ::close(client);
        NoteChange();
    }
}

void VCGStreamServer::ServeClient(int client)
{
    std::set<std::uint32_t> offered;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        offered = offered_;
    }
    const std::vector<std::uint8_t> offer = OfferPacket(offered);
    if (!SendAll(client, offer.data(), offer.size()))
        return;
    std::vector<std::uint8_t> payload;
    for (unsigned answered = 0; ReadRequest(client, payload);)
    {
        VParsedPacket request;
        if (!ParsePacket(payload.data(), payload.size(), request))
            return;
        if (request.objectEnums)
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requested_ = request.objectEnums->types;
        }
        NoteChange();
        if (request.requestFrame && !Answer(client, answered++))
            return;
    }
}

// False once the session is to end.
bool VCGStreamServer::Answer(int client, unsigned answered)
{
    std::set<std::uint32_t> wanted;
    unsigned closeAfter = kNever;
    unsigned stopAfter = kNever;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        wanted = requested_;
        closeAfter = closeMidPacketAfter_;
        stopAfter = stopAnsweringAfter_;
    }
    if (answered >= stopAfter)
        return true;
    const std::vector<std::uint8_t> packet = FramePacket(frames_(), wanted);
    if (answered >= closeAfter)
    {
        SendAll(client, packet.data(), packet.size() / 2);
        return false;
    }
    if (!SendAll(client, packet.data(), packet.size()))
        return false;
    ++answers_;
    NoteChange();
    return true;
}

bool VCGStreamServer::ReadRequest(int client, std::vector<std::uint8_t>& payload)
{
    auto readExactly = [&](std::uint8_t* data, std::size_t size)
    {
        while (size > 0)
        {
            if (stopping_)
                return false;
            pollfd ready{client, POLLIN, 0};
            if (::poll(&ready, 1, kStopCheckMilliseconds) == 0)
                continue;
            const ssize_t received = ::recv(client, data, size, 0);
            if (received <= 0)
                return false;
            data += received;
            size -= static_cast<std::size_t>(received);
        }
        return true;
    };
    std::uint8_t header[kHeaderSize];
    if (!readExactly(header, sizeof header))
        return false;
    const VPacketHeader decoded = DecodeHeader(header);
    if (decoded.magic != kMagic || decoded.payloadLength > kMaxRequestLength)
        return false;
    payload.resize(decoded.payloadLength);
    return readExactly(payload.data(), payload.size());
}
} // namespace HalProbe
