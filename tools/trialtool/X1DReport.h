#pragma once
// Describes an X1D file: its recorded analogue devices and, per frame, each device's blocks
// with their sizes and first bytes. Thread-bound to its owner.

#include "FileIO/X1DImport.h"
#include "tools/trialtool/TrialReport.h"

namespace TrialTool
{
class X1DReport : public TrialReport
{
public:
    bool Open(const std::string& path) override;
    const std::vector<std::string>& Errors() const override;
    TrialKind Kind() const override { return TrialKind::X1D; }
    bool IsSelfConsistent() const override;
    void PrintInfo(std::ostream& out) const override;
    bool PrintFrame(std::int32_t frameNumber, std::ostream& out) override;
    std::string ExplainUnreadFrame(std::int32_t frameNumber) const override;

private:
    void PrintDevices(std::ostream& out) const;
    void PrintDeviceFrame(const IAnalogueBlockSet& set, std::uint32_t device,
                          std::ostream& out) const;
    // The source set's first name, or "" when the header lists fewer sets.
    std::string DeviceName(std::uint32_t device) const;

    VX1DImport reader_;
    VAnalogueSourceSetHeader header_;
};
} // namespace TrialTool
