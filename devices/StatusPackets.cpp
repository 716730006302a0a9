#include "devices/StatusPackets.h"

#include "net/ByteOrder.h"

namespace StatusPackets
{
namespace
{
Packet WithHeader(std::uint16_t type, std::uint16_t tag, std::uint32_t deviceId)
{
    Packet packet{};
    ByteOrder::StoreLittleEndian16(&packet[0], type);
    ByteOrder::StoreLittleEndian16(&packet[2], kSize);
    ByteOrder::StoreLittleEndian16(&packet[4], 1);
    ByteOrder::StoreLittleEndian16(&packet[6], tag);
    ByteOrder::StoreLittleEndian32(&packet[8], deviceId);
    return packet;
}
} // namespace

Packet EncodePortInfo(std::uint16_t tag, std::uint32_t deviceId, std::uint32_t port)
{
    Packet packet = WithHeader(2, tag, deviceId);
    ByteOrder::StoreLittleEndian16(&packet[12], static_cast<std::uint16_t>(port % 8));
    ByteOrder::StoreLittleEndian16(&packet[14], static_cast<std::uint16_t>(port / 8));
    return packet;
}

Packet EncodeSyncStatus(std::uint16_t tag, std::uint32_t deviceId, std::uint32_t flags)
{
    Packet packet = WithHeader(3, tag, deviceId);
    ByteOrder::StoreLittleEndian32(&packet[12], flags);
    return packet;
}
} // namespace StatusPackets
