#include "tools/trialtool/X1DSynthesizer.h"

#include "FileIO/X1DExport.h"

#include <cmath>

namespace TrialTool
{
namespace
{
constexpr double kPi = 3.14159265358979323846;
constexpr std::uint32_t kFramesPerCycle = 100;
// Network boxes carry this bit in their device identifiers.
constexpr std::int32_t kBoxIdentifierBit = 0x02000000;
} // namespace

X1DSynthesizer::X1DSynthesizer(const X1DSynthesisOptions& options) : options_(options) {}

std::int16_t X1DSynthesizer::SampleValue(std::uint32_t channel, std::uint64_t sample) const
{
    const double samplesPerCycle = double(options_.samples) * kFramesPerCycle;
    const double phase = 2.0 * kPi * (channel + 1) * double(sample) / samplesPerCycle;
    return std::int16_t(std::lround(kAmplitude * std::sin(phase)));
}

std::vector<std::uint8_t> X1DSynthesizer::Block(std::uint32_t frame) const
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(std::size_t(options_.channels) * options_.samples * 2);
    const std::uint64_t first = std::uint64_t(frame) * options_.samples;
    for (std::uint32_t channel = 0; channel < options_.channels; ++channel)
        for (std::uint32_t sample = 0; sample < options_.samples; ++sample)
        {
            const auto value = std::uint16_t(SampleValue(channel, first + sample));
            bytes.push_back(std::uint8_t(value & 0xFF));
            bytes.push_back(std::uint8_t(value >> 8));
        }
    return bytes;
}

VAnalogueSourceSetSpec X1DSynthesizer::SourceSet(std::uint32_t device) const
{
    VAnalogueSourceSetSpec set;
    set.identifier = kBoxIdentifierBit | std::int32_t(device + 1);
    set.firstName = "Analogue " + std::to_string(device + 1);
    set.secondName = "sine";
    for (std::uint32_t channel = 0; channel < options_.channels; ++channel)
        set.sources.push_back({std::int32_t(channel + 1)});
    return set;
}

VAnalogueSourceSetHeader X1DSynthesizer::SourceSetHeader() const
{
    std::vector<VAnalogueSourceSetSpec> sets;
    for (std::uint32_t device = 0; device < options_.devices; ++device)
        sets.push_back(SourceSet(device));
    VAnalogueSourceSetHeader header;
    header.SetSourceSets(std::move(sets));
    return header;
}

VAnalogueBlockFrame X1DSynthesizer::Frame(std::uint32_t frame) const
{
    const std::vector<std::uint8_t> bytes = Block(frame);
    VAnalogueBlockFrame result;
    result.Resize(options_.devices);
    for (std::uint32_t device = 0; device < options_.devices; ++device)
        result.GetSet(device).Append(MakeAnalogueBlockView(bytes));
    return result;
}

bool X1DSynthesizer::Write(const std::string& path,
                           const std::function<void(std::uint32_t)>& written) const
{
    VX1DExportOptions exportOptions;
    exportOptions.version = options_.version;
    VX1DExport file(exportOptions);
    if (!file.Open(path, SourceSetHeader()))
        return false;
    for (std::uint32_t frame = 0; frame < options_.frames; ++frame)
    {
        if (!file.WriteFrame(std::int32_t(frame + 1), Frame(frame)))
            return false;
        if (written)
            written(frame + 1);
    }
    return file.Close();
}
} // namespace TrialTool
