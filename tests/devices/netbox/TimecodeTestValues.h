#pragma once
// Timecode values for the timecode tests, written as the time they show.

#include "devices/netbox/TimecodeValue.h"

namespace BriselTest
{
inline VTimecodeValue TimecodeAt(ETimecodeStandard standard, int hours, int minutes, int seconds,
                                 int frames, int subframe = 0)
{
    VTimecodeValue value;
    value.standard = standard;
    value.hours = static_cast<std::uint8_t>(hours);
    value.minutes = static_cast<std::uint8_t>(minutes);
    value.seconds = static_cast<std::uint8_t>(seconds);
    value.frames = static_cast<std::uint8_t>(frames);
    value.subframe = subframe;
    return value;
}
} // namespace BriselTest
