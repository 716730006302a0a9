#include "tools/halprobe/X1DRecorder.h"

#include "FileIO/AnalogueBlockFrame.h"

#include <utility>

namespace HalProbe
{
X1DRecorder::X1DRecorder(std::string path) : path_(std::move(path)) {}

X1DRecorder::~X1DRecorder()
{
    Finish();
}

void X1DRecorder::Add(const AnalogueFrame& frame)
{
    AnalogueRecord record = ToAnalogueRecord(frame);
    const auto [known, first] = channels_.emplace(frame.record.deviceId, record.channels);
    if (!first && known->second != record.channels)
    {
        ++changedChannelFrames_;
        return;
    }
    AddPart(frame.record.deviceId, frame.record.frameNumber, std::move(record));
}

bool X1DRecorder::Open(const std::vector<std::uint32_t>& devices)
{
    std::vector<VAnalogueSourceSetSpec> sets;
    for (std::uint32_t device : devices)
    {
        VAnalogueSourceSetSpec set;
        set.identifier = std::int32_t(device);
        for (std::int32_t channel : channels_[device])
            set.sources.push_back({channel});
        sets.push_back(std::move(set));
    }
    VAnalogueSourceSetHeader header;
    header.SetSourceSets(std::move(sets));
    return file_.Open(path_, header);
}

bool X1DRecorder::Write(std::uint32_t number, const std::vector<const AnalogueRecord*>& parts)
{
    VAnalogueBlockFrame frame;
    frame.Resize(std::uint32_t(parts.size()));
    for (std::size_t device = 0; device < parts.size(); ++device)
        if (parts[device])
            frame.GetSet(std::uint32_t(device)).Append(MakeAnalogueBlockView(parts[device]->block));
    return file_.WriteFrame(std::int32_t(number), frame);
}

bool X1DRecorder::Close()
{
    return file_.Close();
}

// A box sends one analogue frame per frame number; a repeat replaces the first.
void X1DRecorder::Join(AnalogueRecord& held, AnalogueRecord part)
{
    held = std::move(part);
}
} // namespace HalProbe
