#include "cgstream/SarnetCGStreamClient.h"

#include "net/ThreadName.h"

#include <algorithm>
#include <boost/asio/write.hpp>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

using namespace SarnetCGStream;
using boost::asio::ip::tcp;

namespace
{
// A payload is read in pieces of at most this size, so memory grows only with the bytes
// that actually arrive, whatever length the header claims.
constexpr std::size_t kReadPiece = 1u << 20;
} // namespace

VSarnetCGStreamClient::VSarnetCGStreamClient(std::weak_ptr<ISarnetCGStreamClientCallback> callback)
    : callback_(std::move(callback))
{
}

VSarnetCGStreamClient::~VSarnetCGStreamClient()
{
    Disconnect();
}

void VSarnetCGStreamClient::SetRequestedTypes(std::set<std::uint32_t> types)
{
    requests_.SetRequestedTypes(std::move(types));
}

void VSarnetCGStreamClient::Connect(const std::string& host, std::uint16_t port)
{
    if (running_.load())
        return;
    if (receiveThread_.joinable())
        receiveThread_.join();
    {
        std::lock_guard<std::mutex> lock(socketMutex_);
        stopRequested_ = false;
    }
    running_ = true;
    receiveThread_ = std::thread([this, host, port] { RunSession(host, port); });
}

// Shutting the socket down wakes the receive thread from its wait; it then closes the
// socket itself and reports the disconnection.
void VSarnetCGStreamClient::Disconnect()
{
    {
        std::lock_guard<std::mutex> lock(socketMutex_);
        stopRequested_ = true;
        if (liveSocket_ >= 0)
            ::shutdown(liveSocket_, SHUT_RDWR);
    }
    if (receiveThread_.joinable())
        receiveThread_.join();
}

std::shared_ptr<const VFrameBundle> VSarnetCGStreamClient::GetLastFrame() const
{
    std::lock_guard<std::mutex> lock(lastMutex_);
    return lastFrame_;
}

std::shared_ptr<ISarnetCGStreamClientCallback> VSarnetCGStreamClient::LockCallback() const
{
    return callback_.lock();
}

// ---- receive thread --------------------------------------------------------------------

void VSarnetCGStreamClient::RunSession(const std::string& host, std::uint16_t port)
{
    NotificationSystem::NameCurrentThread("CGStream");
    requests_.Restart();
    if (Open(host, port))
    {
        if (const auto callback = LockCallback())
            callback->OnConnected();
        Converse();
    }
    CloseSocket();
    running_ = false;
    if (const auto callback = LockCallback())
        callback->OnDisconnected();
}

bool VSarnetCGStreamClient::Open(const std::string& host, std::uint16_t port)
{
    tcp::resolver resolver(ioService_);
    boost::system::error_code error;
    const auto results = resolver.resolve(host, std::to_string(port), error);
    if (error)
        return false;
    for (const auto& entry : results)
    {
        if (entry.endpoint().address().is_v4() && ConnectTo(entry.endpoint()))
            return true;
    }
    return false;
}

bool VSarnetCGStreamClient::ConnectTo(const tcp::endpoint& endpoint)
{
    boost::system::error_code error;
    {
        std::lock_guard<std::mutex> lock(socketMutex_);
        if (stopRequested_)
            return false;
        socket_.close(error);
        socket_.open(tcp::v4(), error);
        if (error)
            return false;
        liveSocket_ = socket_.native_handle();
    }
    socket_.set_option(boost::asio::socket_base::reuse_address(true), error);
    socket_.set_option(tcp::no_delay(true), error);
    socket_.set_option(boost::asio::socket_base::receive_buffer_size(kReceiveBufferBytes), error);
    socket_.set_option(boost::asio::socket_base::linger(true, kLingerSeconds), error);
    socket_.connect(endpoint, error);
    std::lock_guard<std::mutex> lock(socketMutex_);
    return !error && !stopRequested_;
}

void VSarnetCGStreamClient::CloseSocket()
{
    std::lock_guard<std::mutex> lock(socketMutex_);
    liveSocket_ = -1;
    boost::system::error_code ignored;
    socket_.close(ignored);
}

void VSarnetCGStreamClient::Converse()
{
    if (!ReceivePacket() || !AcceptOffer() || !SendRequests())
        return;
    while (ReceivePacket() && DeliverPacket() && SendRequests())
    {
    }
}

// The server's first packet names the record types it offers.
bool VSarnetCGStreamClient::AcceptOffer()
{
    VParsedPacket packet;
    if (header_.magic != kMagic || !ParsePacket(payload_.data(), payload_.size(), packet) ||
        !packet.objectEnums)
        return false;
    requests_.SetOfferedTypes(packet.objectEnums->types);
    return true;
}

bool VSarnetCGStreamClient::ReceivePacket()
{
    std::uint8_t header[kHeaderSize];
    if (!ReadExactly(header, sizeof header))
        return false;
    header_ = DecodeHeader(header);
    return header_.payloadLength <= kMaxPayloadLength && ReadPayload(header_.payloadLength);
}

bool VSarnetCGStreamClient::ReadPayload(std::uint32_t length)
{
    payload_.clear();
    while (payload_.size() < length)
    {
        const std::size_t have = payload_.size();
        payload_.resize(have + std::min<std::size_t>(kReadPiece, length - have));
        if (!ReadExactly(payload_.data() + have, payload_.size() - have))
            return false;
    }
    return true;
}

// Waits at most the answer timeout for each piece; an orderly close from the server, an
// error or a Disconnect() ends the read.
bool VSarnetCGStreamClient::ReadExactly(std::uint8_t* data, std::size_t size)
{
    const int socket = socket_.native_handle();
    const int timeout = static_cast<int>(answerTimeout_.load().count());
    while (size > 0)
    {
        pollfd ready{socket, POLLIN, 0};
        const int polled = ::poll(&ready, 1, timeout);
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            return false;
        const ssize_t received = ::recv(socket, data, size, 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received <= 0)
            return false;
        data += received;
        size -= static_cast<std::size_t>(received);
    }
    return true;
}

// A packet with the wrong magic means the stream has lost its framing: nothing of it can
// be trusted, so it ends the session like a malformed one.
bool VSarnetCGStreamClient::DeliverPacket()
{
    VParsedPacket packet;
    if (header_.magic != kMagic || !ParsePacket(payload_.data(), payload_.size(), packet))
        return false;
    {
        std::lock_guard<std::mutex> lock(lastMutex_);
        lastFrame_ = packet.frame;
    }
    if (const auto callback = LockCallback())
    {
        callback->OnStreamInfo(packet.streamInfo);
        callback->OnFrame(packet.frame);
    }
    return true;
}

bool VSarnetCGStreamClient::SendRequests()
{
    const std::vector<std::uint8_t> packet = requests_.TakeRequestPacket();
    if (packet.empty())
        return true;
    boost::system::error_code error;
    boost::asio::write(socket_, boost::asio::buffer(packet), error);
    return !error;
}
