#pragma once
// One datagram that arrived at a HAL data port, decoded as far as the probe knows its
// record: little-endian, a 16-bit type and a 16-bit length, then for device records a
// version, the session tag and the DeviceID. Types 2 (port information) and 3 (sync
// status) are decoded; any other record is kept as its bytes. Reentrant.

#include "tools/halprobe/UdpSocket.h"

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace HalProbe
{
struct DeviceRecordHeader
{
    std::uint16_t version = 0;
    std::uint16_t tag = 0; // low 16 bits of the session tag given by "notify"
    std::uint32_t deviceId = 0;
};

struct PortInformation
{
    std::uint16_t portModEight = 0;
    std::uint16_t portDivEight = 0;

    unsigned Port() const { return portDivEight * 8u + portModEight; }
};

struct SyncStatus
{
    std::uint32_t flags = 0;

    bool IsSynchronised() const { return flags & 1u; } // not free-running
    bool IsMaster() const { return flags & 2u; }
};

struct DataRecord
{
    static constexpr std::uint16_t kPortInformationType = 2;
    static constexpr std::uint16_t kSyncStatusType = 3;
    static constexpr std::uint16_t kStatusLength = 24;

    // Type and length are zero when the datagram is too short to hold them.
    std::uint16_t type = 0;
    std::uint16_t length = 0;
    std::optional<DeviceRecordHeader> header;                       // at least 12 bytes
    std::variant<std::monostate, PortInformation, SyncStatus> body; // a whole status record
    std::uint32_t sender = 0;                                       // host order
    Clock::time_point arrival;
    std::vector<std::uint8_t> bytes; // the whole datagram

    static DataRecord Decode(Datagram datagram);
};
} // namespace HalProbe
