#include "FileIO/X2DIO/Timecode.h"

#include <array>
#include <cctype>
#include <charconv>
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

bool FitsByte(std::int64_t value)
{
    return value >= 0 && value <= std::numeric_limits<std::uint8_t>::max();
}

bool IsSpace(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

const char* SkipSpace(const char* at, const char* end)
{
    while (at != end && IsSpace(*at))
        ++at;
    return at;
}

// The text form's eight integers; false unless the text is exactly eight decimal integers
// separated by white space.
bool ReadIntegers(const std::string& text, std::array<std::int64_t, 8>& values)
{
    const char* at = text.data();
    const char* const end = at + text.size();
    for (std::int64_t& value : values)
    {
        at = SkipSpace(at, end);
        const std::from_chars_result read = std::from_chars(at, end, value);
        if (read.ec != std::errc() || (read.ptr != end && !IsSpace(*read.ptr)))
            return false;
        at = read.ptr;
    }
    return SkipSpace(at, end) == end;
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
    if (!ReadIntegers(text, values))
        return false;
    // Hours to frames are kept as bytes: a value that does not fit one is no timecode, not
    // the value cut to a byte.
    if (!FitsByte(values[0]) || !FitsByte(values[1]) || !FitsByte(values[2]) ||
        !FitsByte(values[3]) || !FitsUInt32(values[4]) || !FitsUInt32(values[7]))
        return false;
    hours = std::uint8_t(values[0]);
    minutes = std::uint8_t(values[1]);
    seconds = std::uint8_t(values[2]);
    frames = std::uint8_t(values[3]);
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
