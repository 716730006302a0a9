// Writes a few valid X1D files into the folder given on the command line, as the seed corpus
// of x1d_fuzz: both index widths, a missing index table, unknown fields and sections.

#include "FileIO/AnalogueBlockFrame.h"
#include "FileIO/X1DExport.h"
#include "fuzz/SeedCorpus.h"

#include <string>
#include <vector>

namespace
{
VAnalogueSourceSetHeader MakeHeader(std::uint32_t devices)
{
    std::vector<VAnalogueSourceSetSpec> sets(devices);
    for (std::uint32_t device = 0; device < devices; ++device)
    {
        sets[device].identifier = std::int32_t(device + 1);
        sets[device].firstName = "box";
        sets[device].sources = {{1}, {2}};
    }
    VAnalogueSourceSetHeader header;
    header.SetSourceSets(sets);
    return header;
}

bool WriteSeed(const std::string& path, const VX1DExportOptions& options, std::uint32_t devices)
{
    VX1DExport writer(options);
    if (!writer.Open(path, MakeHeader(devices)))
        return false;
    for (std::int32_t number = 0; number < 3; ++number)
    {
        VAnalogueBlockFrame frame;
        frame.Resize(devices);
        for (std::uint32_t device = 0; device < devices; ++device)
        {
            const std::vector<std::uint8_t> bytes(device + 2, std::uint8_t(number));
            frame.GetSet(device).Append({bytes.data(), std::uint32_t(bytes.size())});
            frame.GetSet(device).Append({});
        }
        if (!writer.WriteFrame(number, frame))
            return false;
    }
    return writer.Close();
}

std::vector<VX1DExportOptions> SeedVariants()
{
    std::vector<VX1DExportOptions> variants(4);
    variants[1].version = 1;
    variants[2].writeIndexTable = false;
    variants[2].headerFrameCount = 0;
    const VFieldDescriptor unknown{0x7001, VFieldDescriptor::kVariableSize, {}};
    variants[3].blockFormat.fields.insert(variants[3].blockFormat.fields.begin(), unknown);
    variants[3].sourceSetFormats.sourceSet.fields.insert(
        variants[3].sourceSetFormats.sourceSet.fields.begin(), unknown);
    variants[3].extraSections = {{5, {1, 2, 3}}};
    variants[3].headerValue = 42;
    return variants;
}
} // namespace

int main(int argc, char** argv)
{
    const std::vector<VX1DExportOptions> variants = SeedVariants();
    return SeedCorpus::Write(argc, argv, variants.size(), "x1d",
                             [&](const std::string& path, std::size_t i)
                             { return WriteSeed(path, variants[i], std::uint32_t(i % 3 + 1)); });
}
