#pragma once
// The HAL's broadcast commands: small big-endian UDP datagrams whose first 32 bits are
// the command code (high 16 bits the family, low 16 bits a variant), followed by the
// command's fields. Reentrant.

#include <cstddef>
#include <cstdint>
#include <string>

namespace BroadcastCommand
{
enum Code : std::uint32_t
{
    kSync = 0x00010001,
    kReset = 0x00020001,
    kMaster = 0x00030005,
    kAwake = 0x00040006,
    kPreview = 0x00050002,
    kAlivePing = 0x00060007,
    kFrameNumber = 0x00070001,
    kDataDisable = 0x00080001,
    kStrobeDisable = 0x00090001,
    kTestSync = 0x000A0001,
    kSystemEvent = 0x000B0001,
};

// Size of the receive buffer; a longer datagram ends reception.
constexpr std::size_t kMaxDatagramSize = 1024;
constexpr std::uint16_t kPort = 8666;
// The device field value that addresses every device.
constexpr std::uint32_t kAllDevices = 0xFFFFFFFF;

constexpr std::uint32_t FamilyOf(std::uint32_t code)
{
    return code & 0xFFFF0000;
}

// The console line (with its newline) that logs one received or injected command.
// A datagram too short for the field its line shows is logged as such, never read
// past its end.
std::string DescribeForLog(const std::uint8_t* data, std::size_t length);
} // namespace BroadcastCommand
