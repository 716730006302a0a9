#pragma once
// One datagram that arrived at the HAL's announcement port, decoded: a device's awake
// packet (28 bytes) or alive packet (32 bytes), both big-endian, or anything else kept
// as "unknown" with its bytes. Reentrant.

#include "tools/halprobe/UdpSocket.h"

#include <cstdint>
#include <string>
#include <vector>

namespace HalProbe
{
struct Announcement
{
    enum class Kind
    {
        Awake,
        Alive,
        Unknown
    };

    Kind kind = Kind::Unknown;
    std::uint32_t localAddress = 0; // as the device states it, host order
    std::uint32_t deviceClass = 0;  // 0 camera, 2 network box
    std::uint8_t port = 0;          // low 8 bits of the device's Port; awake packets only
    std::uint32_t deviceId = 0;
    std::uint16_t aliveCounter = 0; // alive packets only
    std::uint32_t sender = 0;       // where the datagram came from, host order
    Clock::time_point arrival;
    std::vector<std::uint8_t> bytes; // the whole datagram, also for unknown ones

    // Decodes whatever `datagram` holds; fields stay zero unless kind is Awake or Alive.
    static Announcement Decode(Datagram datagram);
};

// "camera", "network box" or "class N".
std::string DeviceClassName(std::uint32_t deviceClass);
} // namespace HalProbe
