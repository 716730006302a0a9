#pragma once
// The network box's timecode records to the HAL, encoded in one place, little-endian: the
// per-frame timecode record (type 0xC003, 40 bytes) and the timecode status record (type 5,
// 32 bytes) naming the standard. Reentrant.

#include "devices/netbox/TimecodeValue.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace TimecodePackets
{
constexpr std::size_t kRecordSize = 40;
constexpr std::size_t kStatusSize = 32;
using Record = std::array<std::uint8_t, kRecordSize>;
using StatusRecord = std::array<std::uint8_t, kStatusSize>;

// Where in the timecode the frame lies, in system frames.
struct SystemFramePosition
{
    // System frames per timecode frame.
    std::uint16_t perTimecodeFrame = 0;
    // The system frame within the timecode frame, 0 … perTimecodeFrame - 1.
    std::uint16_t withinTimecodeFrame = 0;
};

// Hours to frames go as packed BCD; the position word carries bit 15 in the second half of
// the timecode frame, and the rate word the standard's rate code.
Record EncodeRecord(const VTimecodeValue& timecode, SystemFramePosition position,
                    std::uint32_t deviceId, std::uint32_t currentFrame,
                    std::uint32_t previousFrame);
// None for a standard outside Timecode24 … Timecode30Drop.
std::optional<StatusRecord> EncodeStatus(ETimecodeStandard standard, std::uint16_t sessionTag,
                                         std::uint32_t deviceId);
} // namespace TimecodePackets
