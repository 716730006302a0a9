#pragma once
// Readable text of what network boxes send: timecode, GPI and timecode status records,
// analogue frames and analogue stream faults; shared by the command-line tool and by
// tests that want readable failure messages. Reentrant.

#include "tools/halprobe/AnalogueFrame.h"

#include <string>
#include <vector>

namespace HalProbe
{
// "24 fps", "25 fps", "30 fps", "30 fps drop-frame" or "unknown rate".
const char* RateCodeName(std::uint16_t rateCode);
// "10:00:00:01 rate code 0x1000 (30 fps)".
std::string TimecodeText(const TimecodeRecord& record);
// The timecode with every other field of the record.
std::string TimecodeRecordText(const TimecodeRecord& record);
// "frame 12, inputs 0x0034 (GPI2 remote-start remote-stop), changed 0x0004 (GPI2)".
std::string GpiText(const GpiRecord& record);
// "standard 0x212F0000 (30 fps)".
std::string TimecodeStatusText(const TimecodeStatus& status);
// "box 0x02000001 (33554433) slot 0, frame 12 (previous 11): 1800 samples x 1 channels
// (0), total 1800, 3600 bytes in 3 datagrams".
std::string AnalogueFrameSummary(const AnalogueFrame& frame);
// The summary, then one line per channel with its first `shownSamples` values.
std::vector<std::string> AnalogueFrameLines(const AnalogueFrame& frame, std::size_t shownSamples);
// "analogue stream from 127.0.0.1:40000, box 0x02000001 (33554433), frame 12: record
// states 3000 sample bytes, 2800 arrived".
std::string AnalogueFaultText(const AnalogueFault& fault);
} // namespace HalProbe
