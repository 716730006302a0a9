#include "X1DTestFiles.h"

#include "FileIO/X1DExport.h"

#include <algorithm>

namespace
{
VAnalogueSourceSetSpec MakeSourceSet(std::uint32_t device)
{
    VAnalogueSourceSetSpec set;
    set.identifier = std::int32_t(0x2000001 + device);
    set.firstName = "Box " + std::to_string(device);
    set.secondName = device % 2 == 0 ? "" : "analogue";
    set.valueA = 1000 + device;
    set.valueB = -std::int64_t(device);
    set.valueC = std::int64_t(1) << 40;
    for (std::uint32_t source = 0; source <= device; ++source)
        set.sources.push_back({std::int32_t(source + 1)});
    return set;
}

VAnalogueBlockFrame MakeFrame(std::uint32_t frame, std::uint32_t devices)
{
    VAnalogueBlockFrame result;
    result.Resize(devices);
    for (std::uint32_t device = 0; device < devices; ++device)
        for (std::uint32_t block = 0; block <= device; ++block)
        {
            std::vector<std::uint8_t> bytes(block * 3);
            for (std::size_t i = 0; i < bytes.size(); ++i)
                bytes[i] = std::uint8_t(frame * 31 + device * 7 + block * 3 + i);
            result.GetSet(device).Append(MakeAnalogueBlockView(bytes));
        }
    return result;
}
} // namespace

VX1DRecording MakeRecording(std::uint32_t devices, std::uint32_t frames)
{
    VX1DRecording recording;
    std::vector<VAnalogueSourceSetSpec> sets;
    for (std::uint32_t device = 0; device < devices; ++device)
        sets.push_back(MakeSourceSet(device));
    recording.header.SetSourceSets(sets);
    for (std::uint32_t frame = 0; frame < frames; ++frame)
    {
        recording.frameNumbers.push_back(std::int32_t(100 + 2 * frame));
        recording.frames.push_back(MakeFrame(frame, devices));
    }
    return recording;
}

bool WriteRecording(const std::string& path, const VX1DRecording& recording,
                    const VX1DExportOptions& options)
{
    RemoveFileForRewrite(path);
    VX1DExport writer(options);
    if (!writer.Open(path, recording.header))
        return false;
    for (std::size_t i = 0; i < recording.frames.size(); ++i)
        if (!writer.WriteFrame(recording.frameNumbers[i], recording.frames[i]))
            return false;
    return writer.Close();
}

bool FramesEqual(const IAnalogueBlockFrame& left, const IAnalogueBlockFrame& right)
{
    if (left.GetCount() != right.GetCount())
        return false;
    for (std::uint32_t set = 0; set < left.GetCount(); ++set)
    {
        const IAnalogueBlockSet& a = left.GetSet(set);
        const IAnalogueBlockSet& b = right.GetSet(set);
        if (a.GetCount() != b.GetCount())
            return false;
        for (std::uint32_t block = 0; block < a.GetCount(); ++block)
        {
            const VAnalogueBlockView x = a.GetBlock(block);
            const VAnalogueBlockView y = b.GetBlock(block);
            if (x.size != y.size || (x.size != 0 && !std::equal(x.data, x.data + x.size, y.data)))
                return false;
        }
    }
    return true;
}
