#include "tools/halprobe/BoxStatistics.h"

#include "tools/halprobe/BoxRecordText.h"
#include "tools/halprobe/RecordText.h"
#include "tools/halprobe/TextFormat.h"

namespace HalProbe
{
namespace
{
std::string BoxText(const std::optional<std::uint32_t>& deviceId)
{
    return "box " + (deviceId ? DeviceIdText(*deviceId) : std::string("unknown"));
}

std::string TimecodeSuffix(const std::string& timecode)
{
    return timecode.empty() ? "" : ", timecode " + timecode;
}
} // namespace

void BoxStatistics::AddFrame(const AnalogueFrame& frame)
{
    Box& box = Heard(frame.record.deviceId);
    for (BoxCounts* counts : {&box.interval, &box.total})
    {
        ++counts->frames;
        counts->samples += frame.SampleCount();
    }
    box.channels = frame.ChannelCount();
}

void BoxStatistics::AddFault(const AnalogueFault& fault)
{
    Box& box = Heard(fault.deviceId);
    ++box.interval.faults;
    ++box.total.faults;
}

void BoxStatistics::AddTimecode(const TimecodeRecord& record)
{
    Heard(record.deviceId).timecode = TimecodeText(record);
}

std::vector<std::string> BoxStatistics::TakeRateLines(double seconds)
{
    std::vector<std::string> lines;
    for (auto& [deviceId, box] : boxes_)
    {
        if (!box.heard)
            continue;
        lines.push_back(BoxText(deviceId) +
                        Format(": %.1f analogue frames/s, %.1f samples/s per channel, "
                               "%zu channels, %zu faults",
                               box.interval.frames / seconds, box.interval.samples / seconds,
                               box.channels, box.interval.faults) +
                        TimecodeSuffix(box.timecode));
        box.interval = {};
        box.heard = false;
    }
    return lines;
}

std::vector<std::string> BoxStatistics::TotalLines() const
{
    std::vector<std::string> lines;
    for (const auto& [deviceId, box] : boxes_)
        lines.push_back(BoxText(deviceId) +
                        Format(": %zu analogue frames, %zu samples per channel, %zu faults in all",
                               box.total.frames, box.total.samples, box.total.faults) +
                        TimecodeSuffix(box.timecode));
    return lines;
}

BoxStatistics::Box& BoxStatistics::Heard(const std::optional<std::uint32_t>& deviceId)
{
    Box& box = boxes_[deviceId];
    box.heard = true;
    return box;
}
} // namespace HalProbe
