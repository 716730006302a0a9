#pragma once
// The two status records every device sends on its data socket, 24 bytes little-endian:
// port information (type 2) and sync status (type 3). Both start with the common device
// record header: type, length, version 1, the session tag's low 16 bits, DeviceID.
// Reentrant.

#include <array>
#include <cstdint>

namespace StatusPackets
{
constexpr std::size_t kSize = 24;
using Packet = std::array<std::uint8_t, kSize>;

constexpr std::uint32_t kSyncFlagNotFreeRunning = 0x1;
constexpr std::uint32_t kSyncFlagMaster = 0x2;

// Port is carried as Port mod 8 and Port div 8.
Packet EncodePortInfo(std::uint16_t tag, std::uint32_t deviceId, std::uint32_t port);
Packet EncodeSyncStatus(std::uint16_t tag, std::uint32_t deviceId, std::uint32_t flags);
} // namespace StatusPackets
