#include "tools/trialtool/X2DComparedTrial.h"

#include "tools/trialtool/ValueChecks.h"

#include <utility>

#include <algorithm>
#include <tuple>

namespace TrialTool
{
namespace
{
using Difference = std::optional<ItemDifference>;

struct Line
{
    std::uint16_t y;
    std::uint16_t x;
    std::vector<std::uint8_t> pixels;

    bool operator<(const Line& other) const
    {
        return std::tie(y, x, pixels) < std::tie(other.y, other.x, other.pixels);
    }
};

std::vector<Line> SortedLines(const X2DIO::GreyscaleBlobSet& set)
{
    std::vector<Line> lines;
    for (const X2DIO::GreyscaleLine& line : set.lines)
    {
        const std::size_t first = std::min<std::size_t>(line.pixelOffset, set.pixels.size());
        const std::size_t last = std::min(first + line.pixelCount, set.pixels.size());
        lines.push_back({line.y,
                         line.x,
                         {set.pixels.begin() + std::ptrdiff_t(first),
                          set.pixels.begin() + std::ptrdiff_t(last)}});
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<X2DIO::EdgePair> SortedEdgePairs(std::vector<X2DIO::EdgePair> pairs)
{
    std::sort(
        pairs.begin(), pairs.end(),
        [](const X2DIO::EdgePair& left, const X2DIO::EdgePair& right)
        { return std::tie(left.e1, left.e0, left.e2) < std::tie(right.e1, right.e0, right.e2); });
    return pairs;
}

// The count first, then item by item with `check(what, mine, theirs)`.
template <typename Item, typename Check>
Difference CheckItems(const char* noun, const std::vector<Item>& mine,
                      const std::vector<Item>& theirs, std::uint64_t& compared, Check check)
{
    if (Difference count = CheckEqual(std::string(noun) + " count", std::int64_t(mine.size()),
                                      std::int64_t(theirs.size())))
        return count;
    for (std::size_t index = 0; index < mine.size(); ++index)
        if (Difference difference = check(std::string(noun) + " " + std::to_string(index) + " ",
                                          mine[index], theirs[index]))
            return difference;
    compared += mine.size();
    return std::nullopt;
}

template <typename... Checks> Difference FirstOf(Checks... checks)
{
    Difference found;
    ((found = found ? found : checks()), ...);
    return found;
}

Difference CheckCentroids(const X2DIO::CentroidSet& mine, const X2DIO::CentroidSet& theirs,
                          double tolerance, std::uint64_t& compared)
{
    return CheckItems(
        "centroid", mine.centroids, theirs.centroids, compared,
        [tolerance](const std::string& what, const X2DIO::Centroid& left,
                    const X2DIO::Centroid& right)
        {
            return FirstOf(
                [&] { return CheckClose(what + "x", left.x, right.x, tolerance); },
                [&] { return CheckClose(what + "y", left.y, right.y, tolerance); },
                [&] { return CheckClose(what + "radius", left.radius, right.radius, tolerance); },
                [&]
                { return CheckClose(what + "quality", left.quality, right.quality, tolerance); });
        });
}

Difference CheckTracks(const X2DIO::CentroidTrackSet& mine, const X2DIO::CentroidTrackSet& theirs,
                       double tolerance, std::uint64_t& compared)
{
    return CheckItems(
        "track", mine.tracks, theirs.tracks, compared,
        [tolerance](const std::string& what, const X2DIO::CentroidTrack& left,
                    const X2DIO::CentroidTrack& right)
        {
            return FirstOf(
                [&] { return CheckEqual(what + "identifier", left.identifier, right.identifier); },
                [&] { return CheckEqual(what + "value", left.value, right.value); },
                [&] { return CheckClose(what + "weight", left.weight, right.weight, tolerance); });
        });
}

// Of two lines with equally many pixels.
Difference CheckPixels(const std::string& what, const std::vector<std::uint8_t>& mine,
                       const std::vector<std::uint8_t>& theirs)
{
    const auto mismatch = std::mismatch(mine.begin(), mine.end(), theirs.begin());
    if (mismatch.first == mine.end())
        return std::nullopt;
    return CheckEqual(what + "pixel " + std::to_string(mismatch.first - mine.begin()),
                      *mismatch.first, *mismatch.second);
}

Difference CheckLines(const X2DIO::GreyscaleBlobSet& mine, const X2DIO::GreyscaleBlobSet& theirs,
                      std::uint64_t& compared)
{
    return CheckItems("line", SortedLines(mine), SortedLines(theirs), compared,
                      [](const std::string& what, const Line& left, const Line& right)
                      {
                          return FirstOf(
                              [&] { return CheckEqual(what + "row", left.y, right.y); },
                              [&] { return CheckEqual(what + "column", left.x, right.x); },
                              [&]
                              {
                                  return CheckEqual(what + "pixel count",
                                                    std::int64_t(left.pixels.size()),
                                                    std::int64_t(right.pixels.size()));
                              },
                              [&] { return CheckPixels(what, left.pixels, right.pixels); });
                      });
}

Difference CheckEdgePairs(const X2DIO::EdgePairSet& mine, const X2DIO::EdgePairSet& theirs,
                          std::uint64_t& compared)
{
    return CheckItems(
        "edge pair", SortedEdgePairs(mine.edgePairs), SortedEdgePairs(theirs.edgePairs), compared,
        [](const std::string& what, const X2DIO::EdgePair& left, const X2DIO::EdgePair& right)
        {
            return FirstOf([&] { return CheckEqual(what + "e0", left.e0, right.e0); },
                           [&] { return CheckEqual(what + "e1", left.e1, right.e1); },
                           [&] { return CheckEqual(what + "e2", left.e2, right.e2); });
        });
}

template <typename Set> void Allocate(std::vector<std::shared_ptr<Set>>& list, std::size_t count)
{
    list.resize(count);
    for (std::shared_ptr<Set>& set : list)
        set = std::make_shared<Set>();
}

} // namespace

bool X2DComparedTrial::Open(const std::string& path, std::string& error)
{
    if (reader_.Open(path, true))
        return true;
    error = JoinReaderErrors(reader_.GetErrors(), "not an X2D file");
    return false;
}

std::vector<std::uint32_t> X2DComparedTrial::Devices() const
{
    std::vector<X2DIO::CameraInfo> cameras;
    reader_.GetCameraInfos(cameras);
    std::vector<std::uint32_t> identifiers;
    for (const X2DIO::CameraInfo& camera : cameras)
        identifiers.push_back(std::uint32_t(camera.identifier));
    return FitIdentifiers(std::move(identifiers), reader_.GetNumberOfCameras());
}

std::uint32_t X2DComparedTrial::ReplayedIdentifier(std::size_t position) const
{
    return Devices().at(position);
}

std::vector<std::int32_t> X2DComparedTrial::FrameNumbers() const
{
    std::vector<std::int32_t> numbers;
    reader_.GetFrameNumbers(numbers);
    return numbers;
}

bool X2DComparedTrial::Load(std::int32_t index, std::string& error)
{
    const std::size_t cameras = reader_.GetNumberOfCameras();
    Allocate(centroids_, cameras);
    Allocate(tracks_, cameras);
    Allocate(blobs_, cameras);
    Allocate(edgePairs_, cameras);
    if (reader_.ReadFrame(index, &centroids_, &tracks_, &blobs_, &edgePairs_))
        return true;
    error = JoinReaderErrors(reader_.GetErrors(), "not an X2D file");
    return false;
}

bool X2DComparedTrial::DeviceIsEmpty(std::size_t position) const
{
    return centroids_[position]->centroids.empty() && tracks_[position]->tracks.empty() &&
           blobs_[position]->lines.empty() && edgePairs_[position]->edgePairs.empty();
}

Difference X2DComparedTrial::Compare(std::size_t mine, const ComparedTrial& other,
                                     std::size_t theirs, double tolerance,
                                     std::uint64_t& compared) const
{
    const auto& them = static_cast<const X2DComparedTrial&>(other);
    return FirstOf(
        [&] {
            return CheckCentroids(*centroids_[mine], *them.centroids_[theirs], tolerance, compared);
        },
        [&] { return CheckTracks(*tracks_[mine], *them.tracks_[theirs], tolerance, compared); },
        [&] { return CheckLines(*blobs_[mine], *them.blobs_[theirs], compared); },
        [&] { return CheckEdgePairs(*edgePairs_[mine], *them.edgePairs_[theirs], compared); });
}
} // namespace TrialTool
