#include "tools/halprobe/BoxRecordText.h"

#include "tools/halprobe/RecordText.h"
#include "tools/halprobe/SocketAddress.h"
#include "tools/halprobe/TextFormat.h"

#include <algorithm>

namespace HalProbe
{
namespace
{
const char* const kInputNames[GpiRecord::kInputCount] = {"GPI0", "GPI1",         "GPI2",
                                                         "GPI3", "remote-start", "remote-stop"};

std::string InputNames(std::uint16_t bits)
{
    std::string names;
    for (unsigned input = 0; input < GpiRecord::kInputCount; ++input)
        if ((bits >> input) & 1u)
            names += (names.empty() ? "" : " ") + std::string(kInputNames[input]);
    return names.empty() ? "none" : names;
}

const char* StandardName(std::uint32_t standardWord)
{
    switch (standardWord)
    {
    case TimecodeStatus::k24:
        return RateCodeName(TimecodeRecord::kRate24);
    case TimecodeStatus::k25:
        return RateCodeName(TimecodeRecord::kRate25);
    case TimecodeStatus::k30:
        return RateCodeName(TimecodeRecord::kRate30);
    case TimecodeStatus::k30Drop:
        return RateCodeName(TimecodeRecord::kRate30Drop);
    }
    return "unknown standard";
}

std::string ChannelList(const std::vector<unsigned>& channels)
{
    std::string text;
    for (unsigned channel : channels)
        text += (text.empty() ? "" : " ") + std::to_string(channel);
    return text;
}

std::string ChannelLine(const AnalogueFrame& frame, std::size_t position, unsigned channel,
                        std::size_t shownSamples)
{
    std::string line = Format("  channel %u:", channel);
    const std::size_t shown = std::min(shownSamples, frame.SampleCount());
    for (std::size_t sample = 0; sample < shown; ++sample)
        line += " " + std::to_string(frame.Value(sample, position));
    return line + (shown < frame.SampleCount() ? " ..." : "");
}
} // namespace

const char* RateCodeName(std::uint16_t rateCode)
{
    switch (rateCode)
    {
    case TimecodeRecord::kRate24:
        return "24 fps";
    case TimecodeRecord::kRate25:
        return "25 fps";
    case TimecodeRecord::kRate30:
        return "30 fps";
    case TimecodeRecord::kRate30Drop:
        return "30 fps drop-frame";
    }
    return "unknown rate";
}

std::string TimecodeText(const TimecodeRecord& record)
{
    return Format("%02u:%02u:%02u:%02u rate code 0x%04X (%s)", record.hours, record.minutes,
                  record.seconds, record.frames, record.rateCode, RateCodeName(record.rateCode));
}

std::string TimecodeRecordText(const TimecodeRecord& record)
{
    return "timecode " + TimecodeText(record) + ", box " + DeviceIdText(record.deviceId) +
           Format(", frame %u (previous %u), system frame %u of %u%s, user value 0x%08X",
                  record.frameNumber, record.previousFrameNumber, record.subframe,
                  record.systemFramesPerFrame, record.pastHalf ? " (past the half)" : "",
                  record.userValue);
}

std::string GpiText(const GpiRecord& record)
{
    return Format("frame %u, inputs 0x%04X (%s), changed 0x%04X (%s)", record.frameNumber,
                  record.states, InputNames(record.states).c_str(), record.changed,
                  InputNames(record.changed).c_str());
}

std::string TimecodeStatusText(const TimecodeStatus& status)
{
    return Format("standard 0x%08X (%s)", status.standardWord, StandardName(status.standardWord));
}

std::string AnalogueFrameSummary(const AnalogueFrame& frame)
{
    const AnalogueFrameRecord& record = frame.record;
    return "box " + DeviceIdText(record.deviceId) +
           Format(" slot %u, frame %u (previous %u): %zu samples x %zu channels (%s), total %u, "
                  "%u bytes in %zu datagrams",
                  record.slot, record.frameNumber, record.previousFrameNumber, frame.SampleCount(),
                  frame.ChannelCount(), ChannelList(record.Channels()).c_str(), record.runningTotal,
                  record.sampleBytes, frame.datagramSizes.size());
}

std::vector<std::string> AnalogueFrameLines(const AnalogueFrame& frame, std::size_t shownSamples)
{
    std::vector<std::string> lines = {AnalogueFrameSummary(frame)};
    const std::vector<unsigned> channels = frame.record.Channels();
    for (std::size_t position = 0; position < channels.size(); ++position)
        lines.push_back(ChannelLine(frame, position, channels[position], shownSamples));
    return lines;
}

std::string AnalogueFaultText(const AnalogueFault& fault)
{
    std::string text = "analogue stream from " + DottedAddress(fault.sender) + ":" +
                       std::to_string(fault.senderPort);
    if (fault.deviceId)
        text += ", box " + DeviceIdText(*fault.deviceId);
    if (fault.frameNumber)
        text += ", frame " + std::to_string(*fault.frameNumber);
    return text + ": " + fault.what;
}
} // namespace HalProbe
