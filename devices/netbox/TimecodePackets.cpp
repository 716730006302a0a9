#include "devices/netbox/TimecodePackets.h"

#include "net/ByteOrder.h"

namespace TimecodePackets
{
namespace
{
using ByteOrder::StoreLittleEndian16;
using ByteOrder::StoreLittleEndian32;

constexpr std::uint16_t kRecordType = 0xC003;
constexpr std::uint16_t kRecordVersion = 2;
constexpr std::uint16_t kStatusType = 0x0005;
constexpr std::uint16_t kStatusVersion = 1;
constexpr std::uint16_t kSecondHalfFlag = 0x8000;

// Two decimal digits, tens in the high nibble; a byte above 99 (only an invalid timecode
// holds one) keeps its last two digits.
std::uint8_t PackedBcd(std::uint8_t value)
{
    return static_cast<std::uint8_t>(((value / 10 % 10) << 4) | (value % 10));
}

std::uint16_t PositionWord(SystemFramePosition position)
{
    const bool secondHalf = position.withinTimecodeFrame > position.perTimecodeFrame / 2;
    return position.withinTimecodeFrame | (secondHalf ? kSecondHalfFlag : 0);
}

// The standard as the status record names it, by the box's timecode source choices.
std::optional<std::uint32_t> StatusStandardWord(ETimecodeStandard standard)
{
    switch (standard)
    {
    case ETimecodeStandard::Timecode24:
    case ETimecodeStandard::Timecode24Drift:
        return 0x214F0000;
    case ETimecodeStandard::Timecode25:
        return 0x211F0000;
    case ETimecodeStandard::Timecode30:
    case ETimecodeStandard::Timecode30Drift:
        return 0x212F0000;
    case ETimecodeStandard::Timecode30Drop:
        return 0x213F0000;
    case ETimecodeStandard::TimecodeNone:
        break;
    }
    return std::nullopt;
}
} // namespace

Record EncodeRecord(const VTimecodeValue& timecode, SystemFramePosition position,
                    std::uint32_t deviceId, std::uint32_t currentFrame, std::uint32_t previousFrame)
{
    Record record{};
    StoreLittleEndian16(&record[0], kRecordType);
    StoreLittleEndian16(&record[2], kRecordSize);
    StoreLittleEndian16(&record[4], kRecordVersion);
    StoreLittleEndian32(&record[8], deviceId);
    StoreLittleEndian32(&record[12], currentFrame);
    StoreLittleEndian32(&record[16], previousFrame);
    record[24] = PackedBcd(timecode.hours);
    record[25] = PackedBcd(timecode.minutes);
    record[26] = PackedBcd(timecode.seconds);
    record[27] = PackedBcd(timecode.frames);
    StoreLittleEndian16(&record[28], PositionWord(position));
    const std::uint16_t rateCode = TimecodeRates::GetRateCode(timecode.standard);
    StoreLittleEndian16(&record[30], position.perTimecodeFrame | rateCode);
    StoreLittleEndian32(&record[32], timecode.userValue);
    return record;
}

std::optional<StatusRecord> EncodeStatus(ETimecodeStandard standard, std::uint16_t sessionTag,
                                         std::uint32_t deviceId)
{
    const std::optional<std::uint32_t> standardWord = StatusStandardWord(standard);
    if (!standardWord)
        return std::nullopt;
    StatusRecord status{};
    StoreLittleEndian16(&status[0], kStatusType);
    StoreLittleEndian16(&status[2], kStatusSize);
    StoreLittleEndian16(&status[4], kStatusVersion);
    StoreLittleEndian16(&status[6], sessionTag);
    StoreLittleEndian32(&status[8], deviceId);
    StoreLittleEndian32(&status[24], 1);
    StoreLittleEndian32(&status[28], *standardWord);
    return status;
}
} // namespace TimecodePackets
