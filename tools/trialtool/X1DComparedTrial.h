#pragma once
// An X1D file as "compare" reads it. Per device it compares the first block of the frame as
// 16-bit little-endian samples, within the tolerance; a device is known by its source set's
// identifier. Thread-bound to its owner.

#include "tools/trialtool/ComparedTrial.h"

#include "FileIO/AnalogueBlockFrame.h"
#include "FileIO/X1DImport.h"

namespace TrialTool
{
class X1DComparedTrial final : public ComparedTrial
{
public:
    // briselCL numbers the boxes of an X1D file from 1 in file order, as the first devices.
    static constexpr std::uint32_t kBoxIdentifierBit = 0x02000000;

    bool Open(const std::string& path, std::string& error) override;
    const char* DeviceNoun() const override { return "box"; }
    const char* ItemNoun() const override { return "samples"; }
    std::vector<std::uint32_t> Devices() const override;
    std::uint32_t ReplayedIdentifier(std::size_t position) const override;
    bool ReplaySendsEmptyWrapFrame() const override { return false; }
    std::vector<std::int32_t> FrameNumbers() const override;
    bool Load(std::int32_t index, std::string& error) override;
    bool DeviceIsEmpty(std::size_t position) const override;
    std::optional<ItemDifference> Compare(std::size_t mine, const ComparedTrial& other,
                                          std::size_t theirs, double tolerance,
                                          std::uint64_t& compared) const override;

private:
    std::vector<std::uint16_t> Samples(std::size_t position) const;

    VX1DImport reader_;
    VAnalogueBlockFrame frame_;
};
} // namespace TrialTool
