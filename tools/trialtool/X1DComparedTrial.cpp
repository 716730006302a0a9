#include "tools/trialtool/X1DComparedTrial.h"

#include "tools/trialtool/ValueChecks.h"

#include <utility>

namespace TrialTool
{
bool X1DComparedTrial::Open(const std::string& path, std::string& error)
{
    if (reader_.Open(path))
        return true;
    error = JoinReaderErrors(reader_.GetErrors(), "not an X1D file");
    return false;
}

std::vector<std::uint32_t> X1DComparedTrial::Devices() const
{
    VAnalogueSourceSetHeader header;
    reader_.GetAnalogueSourceSetHeader(header);
    std::vector<std::uint32_t> identifiers;
    for (const VAnalogueSourceSetSpec& set : header.GetSourceSets())
        identifiers.push_back(std::uint32_t(set.identifier));
    return FitIdentifiers(std::move(identifiers), reader_.GetNumberOfDevices());
}

std::uint32_t X1DComparedTrial::ReplayedIdentifier(std::size_t position) const
{
    return kBoxIdentifierBit | std::uint32_t(position + 1);
}

std::vector<std::int32_t> X1DComparedTrial::FrameNumbers() const
{
    std::vector<std::int32_t> numbers;
    reader_.GetFrameNumbers(numbers);
    return numbers;
}

bool X1DComparedTrial::Load(std::int32_t index, std::string& error)
{
    if (reader_.ReadFrame(index, frame_))
        return true;
    error = JoinReaderErrors(reader_.GetErrors(), "not an X1D file");
    return false;
}

std::vector<std::uint16_t> X1DComparedTrial::Samples(std::size_t position) const
{
    std::vector<std::uint16_t> samples;
    if (position >= frame_.GetCount() || frame_.GetSet(std::uint32_t(position)).GetCount() == 0)
        return samples;
    const VAnalogueBlockView block = frame_.GetSet(std::uint32_t(position)).GetBlock(0);
    for (std::uint32_t at = 0; at + 1 < block.size; at += 2)
        samples.push_back(std::uint16_t(block.data[at] | (block.data[at + 1] << 8)));
    return samples;
}

bool X1DComparedTrial::DeviceIsEmpty(std::size_t position) const
{
    return Samples(position).empty();
}

std::optional<ItemDifference> X1DComparedTrial::Compare(std::size_t mine,
                                                        const ComparedTrial& other,
                                                        std::size_t theirs, double tolerance,
                                                        std::uint64_t& compared) const
{
    const std::vector<std::uint16_t> left = Samples(mine);
    const std::vector<std::uint16_t> right =
        static_cast<const X1DComparedTrial&>(other).Samples(theirs);
    if (auto count =
            CheckEqual("sample count", std::int64_t(left.size()), std::int64_t(right.size())))
        return count;
    for (std::size_t index = 0; index < left.size(); ++index)
        if (auto difference =
                CheckClose("sample " + std::to_string(index), left[index], right[index], tolerance))
            return difference;
    compared += left.size();
    return std::nullopt;
}
} // namespace TrialTool
