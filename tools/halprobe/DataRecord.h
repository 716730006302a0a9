#pragma once
// One datagram that arrived at a HAL data port, decoded as far as the probe knows its
// record: little-endian, a 16-bit type and a 16-bit length, then for device records a
// version, the session tag and the DeviceID. The records in RecordBody.h are decoded;
// any other datagram, and a record of a known type that is not whole, is kept as its
// bytes, the latter with what is wrong with it. Reentrant.

#include "tools/halprobe/RecordBody.h"
#include "tools/halprobe/UdpSocket.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace HalProbe
{
struct DeviceRecordHeader
{
    std::uint16_t version = 0;
    std::uint16_t tag = 0; // low 16 bits of the session tag given by "notify"
    std::uint32_t deviceId = 0;
};

struct DataRecord
{
    // Type and length are zero when the datagram is too short to hold them.
    std::uint16_t type = 0;
    std::uint16_t length = 0;
    std::optional<DeviceRecordHeader> header; // at least 12 bytes
    RecordBody body;                          // a whole record of a known type
    std::string problem;                      // why a record of a known type was not decoded
    std::uint32_t sender = 0;                 // host order
    std::uint16_t senderPort = 0;
    Clock::time_point arrival;
    std::vector<std::uint8_t> bytes; // the whole datagram

    static DataRecord Decode(Datagram datagram);
};
} // namespace HalProbe
