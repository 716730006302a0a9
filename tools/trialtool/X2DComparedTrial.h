#pragma once
// An X2D file as "compare" reads it. Per camera it compares the centroids (positions, radii
// and qualities within the tolerance), the tracks (identifiers and values exactly, weights
// within the tolerance), the greyscale lines and the edge pairs, in this order; lines are
// compared ordered by row and column and edge pairs by e1 and e0, because the combined stream
// sends them sorted and without their blobs. Thread-bound to its owner.

#include "tools/trialtool/ComparedTrial.h"

#include "FileIO/X2DIO/X2DImport.h"

namespace TrialTool
{
class X2DComparedTrial final : public ComparedTrial
{
public:
    bool Open(const std::string& path, std::string& error) override;
    const char* DeviceNoun() const override { return "camera"; }
    const char* ItemNoun() const override { return "items"; }
    std::vector<std::uint32_t> Devices() const override;
    // A replayed camera keeps the identifier the file gives it.
    std::uint32_t ReplayedIdentifier(std::size_t position) const override;
    bool ReplaySendsEmptyWrapFrame() const override { return true; }
    std::vector<std::int32_t> FrameNumbers() const override;
    bool Load(std::int32_t index, std::string& error) override;
    bool DeviceIsEmpty(std::size_t position) const override;
    std::optional<ItemDifference> Compare(std::size_t mine, const ComparedTrial& other,
                                          std::size_t theirs, double tolerance,
                                          std::uint64_t& compared) const override;

private:
    X2DIO::VX2DImport reader_;
    X2DIO::CentroidSetList centroids_;
    X2DIO::CentroidTrackSetList tracks_;
    X2DIO::GreyscaleBlobSetList blobs_;
    X2DIO::EdgePairSetList edgePairs_;
};
} // namespace TrialTool
