#pragma once
// Describes an X2D file: its cameras, frame rate and start timecode and, per frame, each
// camera's centroids, tracks, greyscale blobs and edge pairs. Thread-bound to its owner.

#include "FileIO/X2DIO/X2DImport.h"
#include "tools/trialtool/TrialReport.h"

namespace TrialTool
{
class X2DReport : public TrialReport
{
public:
    bool Open(const std::string& path) override;
    const std::vector<std::string>& Errors() const override;
    TrialKind Kind() const override { return TrialKind::X2D; }
    bool IsSelfConsistent() const override;
    void PrintInfo(std::ostream& out) const override;
    bool PrintFrame(std::int32_t frameNumber, std::ostream& out) override;
    std::string ExplainUnreadFrame(std::int32_t frameNumber) const override;

private:
    void PrintCameras(std::ostream& out) const;
    void PrintRate(std::ostream& out) const;
    void PrintTimecode(std::ostream& out) const;

    X2DIO::VX2DImport reader_;
};
} // namespace TrialTool
