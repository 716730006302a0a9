#include "FileIO/X2DIO/Timecode.h"

#include <array>
#include <limits>
#include <sstream>

namespace X2DIO
{
namespace
{
constexpr std::uint64_t kTicks30 = 4500000;
constexpr std::uint64_t kTicks24 = 5625000;

TimecodeStandard StandardFromCode(std::int64_t code, std::uint64_t period)
{
    // A period of 0 divides nothing, so it counts as drifting.
    const auto divides = [period](std::uint64_t ticks)
    { return period != 0 && ticks % period == 0; };
    switch (code)
    {
    case 0:
        return TimecodeStandard::Timecode25;
    case 1:
        return divides(kTicks30) ? TimecodeStandard::Timecode30 : TimecodeStandard::Timecode30Drift;
    case 2:
        return TimecodeStandard::Timecode30Drop;
    case 3:
        return divides(kTicks24) ? TimecodeStandard::Timecode24 : TimecodeStandard::Timecode24Drift;
    default:
        return TimecodeStandard::Invalid;
    }
}

int CodeFromStandard(TimecodeStandard standard)
{
    switch (standard)
    {
    case TimecodeStandard::Timecode24:
    case TimecodeStandard::Timecode24Drift:
        return 3;
    case TimecodeStandard::Timecode25:
        return 0;
    case TimecodeStandard::Timecode30Drop:
        return 2;
    default:
        return 1;
    }
}

bool FitsUInt32(std::int64_t value)
{
    return value >= 0 && value <= std::numeric_limits<std::uint32_t>::max();
}
} // namespace

std::uint64_t Timecode::GetTicksPerFrame(TimecodeStandard standard)
{
    switch (standard)
    {
    case TimecodeStandard::Timecode24:
        return kTicks24;
    case TimecodeStandard::Timecode24Drift:
        return 5630625;
    case TimecodeStandard::Timecode25:
        return 5400000;
    case TimecodeStandard::Timecode30:
        return kTicks30;
    case TimecodeStandard::Timecode30Drift:
    case TimecodeStandard::Timecode30Drop:
        return 4504500;
    case TimecodeStandard::Invalid:
        break;
    }
    return 0;
}

std::uint32_t Timecode::GetWholeFrameRate(TimecodeStandard standard)
{
    switch (standard)
    {
    case TimecodeStandard::Timecode24:
    case TimecodeStandard::Timecode24Drift:
        return 24;
    case TimecodeStandard::Timecode25:
        return 25;
    case TimecodeStandard::Timecode30:
    case TimecodeStandard::Timecode30Drift:
    case TimecodeStandard::Timecode30Drop:
        return 30;
    case TimecodeStandard::Invalid:
        break;
    }
    return 0;
}

bool Timecode::Parse(const std::string& text, std::uint64_t period)
{
    *this = Timecode();
    cameraFramePeriod = period;
    std::array<std::int64_t, 8> values{};
    std::istringstream in(text);
    for (std::int64_t& value : values)
        if (!(in >> value))
            return false;
    // Hours to frames are kept as bytes, whatever the text held.
    hours = std::uint8_t(values[0]);
    minutes = std::uint8_t(values[1]);
    seconds = std::uint8_t(values[2]);
    frames = std::uint8_t(values[3]);
    if (!FitsUInt32(values[4]) || !FitsUInt32(values[7]))
        return false;
    subframe = std::uint32_t(values[4]);
    subframesPerFrame = std::uint32_t(values[7]);
    standard = StandardFromCode(values[6], period);
    if (subframesPerFrame != 0)
        subframeOffset = GetTicksPerFrame(standard) / subframesPerFrame * subframe;
    return IsValid();
}

std::string Timecode::ToText() const
{
    const int fieldFlag = subframesPerFrame / 2 >= subframe ? 1 : 0;
    std::ostringstream out;
    out << int(hours) << ' ' << int(minutes) << ' ' << int(seconds) << ' ' << int(frames) << ' '
        << subframe << ' ' << fieldFlag << ' ' << CodeFromStandard(standard) << ' '
        << subframesPerFrame;
    return out.str();
}

bool Timecode::IsValid() const
{
    if (standard == TimecodeStandard::Invalid || hours >= 24 || minutes >= 60 || seconds >= 60 ||
        frames >= GetWholeFrameRate(standard) || subframeOffset >= GetTicksPerFrame(standard))
        return false;
    // Drop-frame timecode skips frames 0 and 1 at the start of every minute but every tenth.
    const bool dropped = seconds == 0 && minutes % 10 != 0 && frames <= 1;
    return standard != TimecodeStandard::Timecode30Drop || !dropped;
}
} // namespace X2DIO
