#include "tools/trialtool/X1DReport.h"

#include "FileIO/X1DImportImpl.h"
#include "tools/trialtool/ReportText.h"

namespace TrialTool
{
bool X1DReport::Open(const std::string& path)
{
    if (!reader_.Open(path))
        return false;
    reader_.GetAnalogueSourceSetHeader(header_);
    return true;
}

const std::vector<std::string>& X1DReport::Errors() const
{
    return reader_.GetErrors();
}

bool X1DReport::IsSelfConsistent() const
{
    return header_.GetSourceSets().size() == reader_.GetNumberOfDevices();
}

void X1DReport::PrintInfo(std::ostream& out) const
{
    out << "kind: X1D\n";
    out << "version: " << reader_.GetImpl().GetVersion() << "\n";
    PrintDevices(out);
    std::vector<std::int32_t> numbers;
    reader_.GetFrameNumbers(numbers);
    PrintFrameRange(reader_.GetNumberOfFrames(), numbers.empty() ? 0 : numbers.front(),
                    numbers.empty() ? 0 : numbers.back(), out);
    out << "frame rate: not stored in X1D files (clock " << header_.GetClock() << " Hz)\n";
    PrintReaderErrors(reader_.GetErrors(), out);
}

void X1DReport::PrintDevices(std::ostream& out) const
{
    out << "devices: " << reader_.GetNumberOfDevices() << "\n";
    const std::vector<VAnalogueSourceSetSpec>& sets = header_.GetSourceSets();
    for (std::size_t device = 0; device < sets.size(); ++device)
    {
        const VAnalogueSourceSetSpec& set = sets[device];
        out << "  device " << device << ": source set " << set.identifier << ", names \""
            << set.firstName << "\" / \"" << set.secondName << "\", " << set.sources.size()
            << " channels, sources";
        for (const VAnalogueSourceSpec& source : set.sources)
            out << " " << source.number;
        out << "\n";
    }
}

std::string X1DReport::DeviceName(std::uint32_t device) const
{
    const std::vector<VAnalogueSourceSetSpec>& sets = header_.GetSourceSets();
    return device < sets.size() ? sets[device].firstName : "";
}

bool X1DReport::PrintFrame(std::int32_t frameNumber, std::ostream& out)
{
    VAnalogueBlockFrame frame;
    if (!reader_.ReadFrameByNumber(frameNumber, frame))
        return false;
    out << "frame " << frameNumber << ": " << frame.GetCount() << " devices\n";
    for (std::uint32_t device = 0; device < frame.GetCount(); ++device)
        PrintDeviceFrame(frame.GetSet(device), device, out);
    return true;
}

std::string X1DReport::ExplainUnreadFrame(std::int32_t frameNumber) const
{
    std::vector<std::int32_t> numbers;
    reader_.GetFrameNumbers(numbers);
    const std::string missing = DescribeMissingFrame(frameNumber, numbers);
    return missing.empty() ? kNoReason : missing;
}

void X1DReport::PrintDeviceFrame(const IAnalogueBlockSet& set, std::uint32_t device,
                                 std::ostream& out) const
{
    out << "device " << device << " \"" << DeviceName(device) << "\", blocks: " << set.GetCount()
        << "\n";
    for (std::uint32_t block = 0; block < set.GetCount(); ++block)
    {
        const VAnalogueBlockView view = set.GetBlock(block);
        out << "  block " << block << ": " << view.size
            << " bytes: " << HexBytes(view.data, view.size, kDumpedBytes) << "\n";
    }
}
} // namespace TrialTool
