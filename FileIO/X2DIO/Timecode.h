#pragma once
// A start timecode as an X2D file records it: the time of day, the frame within the second,
// a subframe, and the standard, which fixes how many 135 MHz ticks a timecode frame lasts.
// Text form: eight integers separated by single spaces (hours, minutes, seconds, frames,
// subframe, field flag, standard code, subframes per frame).
//
// Thread rules: plain value.

#include <cstdint>
#include <string>

namespace X2DIO
{
enum class TimecodeStandard
{
    Invalid,
    Timecode24,
    Timecode24Drift,
    Timecode25,
    Timecode30,
    Timecode30Drift,
    Timecode30Drop,
};

struct Timecode
{
    // Ticks of 135 MHz in one timecode frame; 0 for Invalid.
    static std::uint64_t GetTicksPerFrame(TimecodeStandard standard);
    // Whole frames per second; 0 for Invalid.
    static std::uint32_t GetWholeFrameRate(TimecodeStandard standard);

    // Reads the text form: exactly eight decimal integers separated by white space, else the
    // timecode is invalid; so is one whose hours, minutes, seconds or frames do not fit a byte.
    // The standard code 1 (30 frames/s) and 3 (24 frames/s) choose the drifting member of the
    // family when the camera frame period does not divide the family's frame length. The result
    // is IsValid().
    bool Parse(const std::string& text, std::uint64_t cameraFramePeriod);
    std::string ToText() const;
    bool IsValid() const;

    std::uint8_t hours = 0;
    std::uint8_t minutes = 0;
    std::uint8_t seconds = 0;
    std::uint8_t frames = 0;
    std::uint32_t subframe = 0;
    std::uint32_t subframesPerFrame = 0;
    TimecodeStandard standard = TimecodeStandard::Invalid;
    // Where the subframe starts within its frame, in ticks.
    std::uint64_t subframeOffset = 0;
    // The camera frame period the timecode was read with, in ticks.
    std::uint64_t cameraFramePeriod = 0;
};
} // namespace X2DIO
