#pragma once
// A timecode as the network box counts it: a standard, the time of day with its frame, a
// day count and where within the frame it lies, in ticks of 120000 Hz. Converts to and from
// one running tick count, with drop-frame numbering for Timecode30Drop, so a start
// timecode can be advanced by any number of ticks. Reentrant: a plain value.

#include <cstdint>

namespace X2DIO
{
struct Timecode;
}

enum class ETimecodeStandard : std::int32_t
{
    TimecodeNone = -1,
    Timecode24 = 0,
    Timecode24Drift = 1,
    Timecode25 = 2,
    Timecode30 = 3,
    Timecode30Drift = 4,
    Timecode30Drop = 5,
};

namespace TimecodeRates
{
constexpr std::int64_t kTicksPerSecond = 120000;

// Each is 0 for a standard outside Timecode24 … Timecode30Drop.
std::int32_t GetWholeFrameRate(ETimecodeStandard standard);
std::int32_t GetTicksPerFrame(ETimecodeStandard standard);
std::uint16_t GetRateCode(ETimecodeStandard standard);
// Ticks in one day of timecode labels 00:00:00:00 … 23:59:59:last.
std::int64_t GetTicksPerDay(ETimecodeStandard standard);
} // namespace TimecodeRates

struct VTimecodeValue
{
    // Beyond this many days a tick count would no longer fit 64 bits.
    static constexpr std::int32_t kMaxDays = 800000000;

    // A known standard, a time of day and frame that exist in it (drop-frame skips frames 0
    // and 1 at the start of each minute but every tenth), a subframe within the frame, and a
    // day count whose ticks can be counted.
    bool IsValid() const;
    // Ticks since the start of day 0; meaningful for a valid value only.
    std::int64_t ToTicks() const;
    // Sets the days, time, frame and subframe from `ticks` (days rounded toward minus
    // infinity), keeping the standard, user value and frame period. A value without a known
    // standard is left as it is.
    void SetFromTicks(std::int64_t ticks);

    ETimecodeStandard standard = ETimecodeStandard::TimecodeNone;
    std::uint8_t hours = 0;
    std::uint8_t minutes = 0;
    std::uint8_t seconds = 0;
    std::uint8_t frames = 0;
    std::uint32_t userValue = 0;
    std::int32_t days = 0;
    // Where the timecode lies within its frame, in ticks of 120000 Hz.
    std::int32_t subframe = 0;
    // The recording's camera frame period in ticks of 135 MHz, carried along.
    std::int32_t framePeriod = 0;
};
static_assert(sizeof(VTimecodeValue) == 24, "a timecode value is 24 bytes");

// The start timecode of an X2D file in the box's terms: the same standard by name, the
// subframe offset scaled from 135 MHz to 120000 Hz ticks (every frame length of the one
// clock is exactly 1125 times that of the other), user value and days 0.
VTimecodeValue TimecodeFromRecording(const X2DIO::Timecode& recorded);
