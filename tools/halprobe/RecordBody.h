#pragma once
// The bodies of the device records a HAL data port receives, field by field: the status
// records every device sends after "notify" (port information, sync status), and the
// records of a network box (GPI, timecode status, per-frame timecode, analogue frame).
// A body is decoded only from a whole record: the datagram holds exactly the record's
// length, the record states that length, and its version and reserved fields are right.
// Reentrant.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace HalProbe
{
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

// A change of a box's general-purpose or remote trigger inputs.
struct GpiRecord
{
    static constexpr unsigned kRemoteStart = 4;
    static constexpr unsigned kRemoteStop = 5;
    static constexpr unsigned kInputCount = 6;

    std::uint32_t frameNumber = 0;
    std::uint16_t states = 0;  // bit i = input i (GPI0-3, then remote start and stop)
    std::uint16_t changed = 0; // the bit of the input that changed, 0 when none is named

    bool Input(unsigned index) const { return (states >> index) & 1u; }
};

// Which timecode standard a box's generator follows.
struct TimecodeStatus
{
    static constexpr std::uint32_t k24 = 0x214F0000;
    static constexpr std::uint32_t k25 = 0x211F0000;
    static constexpr std::uint32_t k30 = 0x212F0000;
    static constexpr std::uint32_t k30Drop = 0x213F0000;

    std::uint32_t standardWord = 0;
};

// One timecode frame as a box sends it every system frame; the BCD fields are decoded.
struct TimecodeRecord
{
    static constexpr std::uint16_t kRate25 = 0x0000;
    static constexpr std::uint16_t kRate30 = 0x1000;
    static constexpr std::uint16_t kRate30Drop = 0x2000;
    static constexpr std::uint16_t kRate24 = 0x3000;

    std::uint32_t deviceId = 0;
    std::uint32_t frameNumber = 0;
    std::uint32_t previousFrameNumber = 0;
    unsigned hours = 0;
    unsigned minutes = 0;
    unsigned seconds = 0;
    unsigned frames = 0;
    // The system frame within the timecode frame, and whether it lies past the half.
    std::uint16_t subframe = 0;
    bool pastHalf = false;
    std::uint16_t systemFramesPerFrame = 0; // the low 12 bits of the word at 30
    std::uint16_t rateCode = 0;             // its high 4 bits
    std::uint32_t userValue = 0;
};

// The record that closes one frame of a box's analogue samples.
struct AnalogueFrameRecord
{
    std::uint16_t slot = 0;
    std::uint32_t deviceId = 0;
    std::uint32_t frameNumber = 0;
    std::uint32_t previousFrameNumber = 0;
    std::uint32_t runningTotal = 0;
    std::uint16_t samplesPerChannel = 0;
    std::uint16_t channelCount = 0;
    std::uint64_t channelMask = 0; // bit i = channel i, 0-63
    std::uint32_t sampleBytes = 0;

    // The channels of the mask in ascending order, the order of a sample's values.
    std::vector<unsigned> Channels() const;
};

using RecordBody = std::variant<std::monostate, PortInformation, SyncStatus, GpiRecord,
                                TimecodeStatus, TimecodeRecord, AnalogueFrameRecord>;

namespace RecordType
{
constexpr std::uint16_t kPortInformation = 2;
constexpr std::uint16_t kSyncStatus = 3;
constexpr std::uint16_t kGpi = 4;
constexpr std::uint16_t kTimecodeStatus = 5;
constexpr std::uint16_t kTimecode = 0xC003;
constexpr std::uint16_t kAnalogueFrame = 0xC005;
} // namespace RecordType

// The length a record of `type` states, or 0 for a type the probe does not know.
std::uint16_t KnownRecordLength(std::uint16_t type);

// The body of the record in `bytes` (at least four), or monostate when its type is
// unknown or the record is not whole; `problem` then says what is wrong with a record of
// a known type.
RecordBody DecodeRecordBody(const std::vector<std::uint8_t>& bytes, std::string& problem);
} // namespace HalProbe
