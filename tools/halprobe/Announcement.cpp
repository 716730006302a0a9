#include "tools/halprobe/Announcement.h"

#include "net/ByteOrder.h"
#include "tools/halprobe/BroadcastDatagrams.h"

namespace HalProbe
{
namespace
{
constexpr std::size_t kAwakeLength = 28;
constexpr std::size_t kAliveLength = 32;

Announcement::Kind KindOf(const std::vector<std::uint8_t>& bytes)
{
    if (bytes.size() == kAwakeLength &&
        ByteOrder::LoadBigEndian32(bytes.data()) == CommandCode::kAwake)
        return Announcement::Kind::Awake;
    if (bytes.size() == kAliveLength &&
        ByteOrder::LoadBigEndian32(bytes.data()) == CommandCode::kAlivePing)
        return Announcement::Kind::Alive;
    return Announcement::Kind::Unknown;
}

// Both layouts share the first 12 bytes and end with the DeviceID; at 12 the awake packet
// has the port byte, the alive packet its 16-bit counter.
void DecodeFields(Announcement& announcement)
{
    const std::uint8_t* bytes = announcement.bytes.data();
    announcement.localAddress = ByteOrder::LoadBigEndian32(bytes + 4);
    announcement.deviceClass = ByteOrder::LoadBigEndian32(bytes + 8);
    announcement.deviceId = ByteOrder::LoadBigEndian32(bytes + announcement.bytes.size() - 4);
    if (announcement.kind == Announcement::Kind::Awake)
        announcement.port = bytes[12];
    else
        announcement.aliveCounter = std::uint16_t(ByteOrder::LoadBigEndian32(bytes + 12) >> 16);
}
} // namespace

Announcement Announcement::Decode(Datagram datagram)
{
    Announcement announcement;
    announcement.kind = KindOf(datagram.bytes);
    announcement.sender = datagram.sender;
    announcement.arrival = datagram.arrival;
    announcement.bytes = std::move(datagram.bytes);
    if (announcement.kind != Kind::Unknown)
        DecodeFields(announcement);
    return announcement;
}

std::string DeviceClassName(std::uint32_t deviceClass)
{
    switch (deviceClass)
    {
    case 0:
        return "camera";
    case 2:
        return "network box";
    default:
        return "class " + std::to_string(deviceClass);
    }
}
} // namespace HalProbe
