#include "devices/AwakeAndAliveServer.h"

#include "devices/DeviceFaults.h"
#include "net/ByteOrder.h"

#include <algorithm>
#include <arpa/inet.h>
#include <iterator>

namespace
{
constexpr std::uint32_t kAwakeCommand = 0x00040006;
constexpr std::uint32_t kAliveCommand = 0x00060007;
constexpr std::size_t kAliveCounterOffset = 12;
constexpr unsigned kAnnouncePeriodMs = 100;

// Created by the first server and kept for the rest of the process, so that servers
// coming and going never start or stop a thread.
UtilsThreading::VPeriodicCallback& SharedTimer()
{
    static UtilsThreading::VPeriodicCallback timer(kAnnouncePeriodMs);
    return timer;
}

// Bytes 0-11 of both packets: command code, local address and device class.
void StoreHeader(std::uint8_t* bytes, std::uint32_t command, std::uint32_t localAddress,
                 std::uint32_t deviceClass)
{
    ByteOrder::StoreBigEndian32(bytes, command);
    ByteOrder::StoreBigEndian32(bytes + 4, ntohl(localAddress));
    ByteOrder::StoreBigEndian32(bytes + 8, deviceClass);
}

// Bytes 16-23 of both packets, carrying the low 24 bits of the DeviceID.
void StoreIdentity(std::uint8_t* bytes, std::uint32_t deviceId)
{
    const std::uint8_t identity[8] = {0x00,
                                      0x00,
                                      0x37,
                                      std::uint8_t(deviceId >> 16),
                                      std::uint8_t(deviceId >> 8),
                                      std::uint8_t(deviceId),
                                      0x00,
                                      0x00};
    std::copy(std::begin(identity), std::end(identity), bytes);
}

std::array<std::uint8_t, VAwakeAndAliveServer::kAwakeSize> EncodeAwake(std::uint32_t localAddress,
                                                                       std::uint32_t deviceId,
                                                                       std::uint32_t port,
                                                                       std::uint32_t deviceClass)
{
    std::array<std::uint8_t, VAwakeAndAliveServer::kAwakeSize> packet{};
    StoreHeader(packet.data(), kAwakeCommand, localAddress, deviceClass);
    packet[12] = std::uint8_t(port);
    packet[15] = 8;
    StoreIdentity(packet.data() + 16, deviceId);
    ByteOrder::StoreBigEndian32(packet.data() + 24, deviceId);
    return packet;
}

// Counter bytes 12-13 stay 0 here; OnTimer() writes them before each send.
std::array<std::uint8_t, VAwakeAndAliveServer::kAliveSize>
EncodeAlive(std::uint32_t localAddress, std::uint32_t deviceId, std::uint32_t deviceClass)
{
    std::array<std::uint8_t, VAwakeAndAliveServer::kAliveSize> packet{};
    StoreHeader(packet.data(), kAliveCommand, localAddress, deviceClass);
    StoreIdentity(packet.data() + 16, deviceId);
    ByteOrder::StoreBigEndian32(packet.data() + 28, deviceId);
    return packet;
}
} // namespace

VAwakeAndAliveServer::VAwakeAndAliveServer(std::uint32_t localAddress, std::uint32_t halAddress,
                                           std::uint32_t deviceId, std::uint32_t port,
                                           std::uint32_t deviceClass,
                                           boost::asio::io_context& ioService,
                                           const VDeviceFaults* faults)
    : VAwakeAndAliveServer(localAddress, halAddress, deviceId, port, deviceClass, ioService,
                           SharedTimer(), faults)
{
}

VAwakeAndAliveServer::VAwakeAndAliveServer(std::uint32_t localAddress, std::uint32_t halAddress,
                                           std::uint32_t deviceId, std::uint32_t port,
                                           std::uint32_t deviceClass,
                                           boost::asio::io_context& ioService,
                                           UtilsThreading::VPeriodicCallback& timer,
                                           const VDeviceFaults* faults)
    : VDataOutSocket(ioService), awake_(EncodeAwake(localAddress, deviceId, port, deviceClass)),
      alive_(EncodeAlive(localAddress, deviceId, deviceClass)), timer_(timer), faults_(faults)
{
    OpenForSending(localAddress, halAddress, kHalPort);
    // Last, as OnTimer() may run on the callback's thread from here on.
    timer_.AddCallback(this);
}

VAwakeAndAliveServer::~VAwakeAndAliveServer()
{
    timer_.RemoveCallback(this);
    Close();
}

void VAwakeAndAliveServer::OnTimer()
{
    const bool muted = faults_ && faults_->IsMuted();
    if (aliveCounter_ == 0 && !muted)
        Send(awake_.data(), awake_.size());
    ByteOrder::StoreBigEndian16(alive_.data() + kAliveCounterOffset, aliveCounter_);
    if (!muted)
        Send(alive_.data(), alive_.size());
    ++aliveCounter_;
}
