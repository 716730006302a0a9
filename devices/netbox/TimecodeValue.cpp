#include "devices/netbox/TimecodeValue.h"

#include "FileIO/X2DIO/Timecode.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace
{
struct StandardRate
{
    std::int32_t wholeRate;
    std::int32_t ticksPerFrame;
    std::uint16_t rateCode;
};

// Indexed by the standard's number.
constexpr StandardRate kRates[] = {
    {24, 5000, 0x3000}, // Timecode24
    {24, 5005, 0x3000}, // Timecode24Drift
    {25, 4800, 0x0000}, // Timecode25
    {30, 4000, 0x1000}, // Timecode30
    {30, 4004, 0x1000}, // Timecode30Drift
    {30, 4004, 0x2000}, // Timecode30Drop
};

const StandardRate* FindRate(ETimecodeStandard standard)
{
    const auto index = static_cast<std::int32_t>(standard);
    if (index < 0 || index >= static_cast<std::int32_t>(std::size(kRates)))
        return nullptr;
    return &kRates[index];
}

bool IsDropFrame(ETimecodeStandard standard)
{
    return standard == ETimecodeStandard::Timecode30Drop;
}

// Drop-frame labels skip frames 0 and 1 of every minute but every tenth: label count to
// frame count (1800 labels a minute, 18000 ten minutes).
std::int64_t DropLabelsToFrames(std::int64_t n)
{
    return n + 2 * (n / 18000 - n / 1800);
}

// The inverse: frame count to label count (1798 frames a dropping minute, 17982 ten minutes).
std::int64_t DropFramesToLabels(std::int64_t n)
{
    n = n + 2 * ((n - 2 * ((n - 2) / 17982) - 2) / 1798);
    return n - 2 * (n / 18002);
}

std::int64_t FloorDivide(std::int64_t value, std::int64_t divisor)
{
    const std::int64_t quotient = value / divisor;
    return quotient * divisor > value ? quotient - 1 : quotient;
}

// The reader's standards in the order of the box's numbers.
constexpr X2DIO::TimecodeStandard kRecordedStandards[] = {
    X2DIO::TimecodeStandard::Timecode24,      X2DIO::TimecodeStandard::Timecode24Drift,
    X2DIO::TimecodeStandard::Timecode25,      X2DIO::TimecodeStandard::Timecode30,
    X2DIO::TimecodeStandard::Timecode30Drift, X2DIO::TimecodeStandard::Timecode30Drop,
};

ETimecodeStandard StandardOfRecording(X2DIO::TimecodeStandard recorded)
{
    const auto* const end = std::end(kRecordedStandards);
    const auto* const found = std::find(std::begin(kRecordedStandards), end, recorded);
    if (found == end)
        return ETimecodeStandard::TimecodeNone;
    return static_cast<ETimecodeStandard>(found - std::begin(kRecordedStandards));
}

std::int32_t ClampedToInt32(std::uint64_t value)
{
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(std::min(value, kMax));
}

// 135 MHz ticks per 120000 Hz tick.
constexpr std::uint64_t kRecordedTicksPerTick = 1125;
} // namespace

namespace TimecodeRates
{
std::int32_t GetWholeFrameRate(ETimecodeStandard standard)
{
    const StandardRate* rate = FindRate(standard);
    return rate ? rate->wholeRate : 0;
}

std::int32_t GetTicksPerFrame(ETimecodeStandard standard)
{
    const StandardRate* rate = FindRate(standard);
    return rate ? rate->ticksPerFrame : 0;
}

std::uint16_t GetRateCode(ETimecodeStandard standard)
{
    const StandardRate* rate = FindRate(standard);
    return rate ? rate->rateCode : 0;
}

std::int64_t GetTicksPerDay(ETimecodeStandard standard)
{
    const std::int64_t labels = std::int64_t(GetWholeFrameRate(standard)) * 86400;
    const std::int64_t frames = IsDropFrame(standard) ? DropLabelsToFrames(labels) : labels;
    return GetTicksPerFrame(standard) * frames;
}
} // namespace TimecodeRates

using namespace TimecodeRates;

bool VTimecodeValue::IsValid() const
{
    if (!FindRate(standard) || hours >= 24 || minutes >= 60 || seconds >= 60 ||
        frames >= GetWholeFrameRate(standard) || subframe < 0 ||
        subframe >= GetTicksPerFrame(standard) || std::abs(std::int64_t(days)) > kMaxDays)
        return false;
    const bool droppedLabel = seconds == 0 && minutes % 10 != 0 && frames <= 1;
    return !(IsDropFrame(standard) && droppedLabel);
}

std::int64_t VTimecodeValue::ToTicks() const
{
    const std::int64_t rate = GetWholeFrameRate(standard);
    std::int64_t n = (hours * 3600 + minutes * 60 + seconds) * rate + frames;
    if (IsDropFrame(standard))
        n = DropLabelsToFrames(n);
    return GetTicksPerFrame(standard) * n + subframe + days * GetTicksPerDay(standard);
}

void VTimecodeValue::SetFromTicks(std::int64_t ticks)
{
    if (!FindRate(standard))
        return;
    const std::int64_t ticksPerDay = GetTicksPerDay(standard);
    const std::int64_t dayCount = FloorDivide(ticks, ticksPerDay);
    const std::int64_t withinDay = ticks - dayCount * ticksPerDay;
    const std::int64_t ticksPerFrame = GetTicksPerFrame(standard);
    std::int64_t n = withinDay / ticksPerFrame;
    if (IsDropFrame(standard))
        n = DropFramesToLabels(n);
    const std::int64_t rate = GetWholeFrameRate(standard);
    const std::int64_t wholeSeconds = n / rate;
    days = static_cast<std::int32_t>(dayCount);
    subframe = static_cast<std::int32_t>(withinDay % ticksPerFrame);
    frames = static_cast<std::uint8_t>(n % rate);
    seconds = static_cast<std::uint8_t>(wholeSeconds % 60);
    hours = static_cast<std::uint8_t>(wholeSeconds / 3600);
    minutes = static_cast<std::uint8_t>(wholeSeconds / 60 - 60 * hours);
}

VTimecodeValue TimecodeFromRecording(const X2DIO::Timecode& recorded)
{
    VTimecodeValue value;
    value.standard = StandardOfRecording(recorded.standard);
    value.hours = recorded.hours;
    value.minutes = recorded.minutes;
    value.seconds = recorded.seconds;
    value.frames = recorded.frames;
    value.subframe = ClampedToInt32(recorded.subframeOffset / kRecordedTicksPerTick);
    value.framePeriod = ClampedToInt32(recorded.cameraFramePeriod);
    return value;
}
