#include "tools/halprobe/CameraFrameBuilder.h"

#include "tools/halprobe/TextFormat.h"

#include <iterator>

namespace HalProbe
{
namespace
{
// By CameraItem alternative.
constexpr const char* kItemNames[] = {"frame settings item", "centroid item", "track item",
                                      "greyscale line", "edge pair item"};
constexpr int kCombinedRanks[] = {0, 1, 2, 3, 3};
static_assert(std::size(kItemNames) == std::variant_size_v<CameraItem> &&
              std::size(kCombinedRanks) == std::variant_size_v<CameraItem>);

// The place of an item's kind in its stream's order; the items of a frame may only keep
// or raise it.
int Rank(CameraStream stream, const CameraItem& item)
{
    if (stream == CameraStream::Combined)
        return kCombinedRanks[item.index()];
    const bool second =
        std::holds_alternative<TrackItem>(item) || std::holds_alternative<EdgePairItem>(item);
    return second ? 1 : 0;
}

std::size_t ItemSize(const CameraItem& item)
{
    if (const auto* line = std::get_if<GreyscaleLine>(&item))
        return line->Size();
    if (std::holds_alternative<EdgePairItem>(item))
        return CameraItemSize::kEdgePair;
    return CameraItemSize::kCentroid; // settings, centroid and track items alike
}
} // namespace

CameraFrameBuilder::CameraFrameBuilder(CameraStream stream)
{
    frame_.stream = stream;
}

bool CameraFrameBuilder::AddItems(std::vector<CameraItem> items, std::size_t datagramSize,
                                  std::string& problem)
{
    frame_.datagramSizes.push_back(datagramSize);
    for (CameraItem& item : items)
        if (!Add(std::move(item), problem))
            return false;
    return true;
}

void CameraFrameBuilder::AddTrailer(const FrameTrailer& trailer)
{
    frame_.trailer = trailer;
    frame_.deviceId = trailer.deviceId;
    frame_.frameNumber = trailer.frameNumber;
    frame_.previousFrameNumber = trailer.previousFrameNumber;
    frame_.datagramSizes.push_back(CameraItemSize::kFrameTrailer);
}

void CameraFrameBuilder::AddHeader(const DatagramHeader& header)
{
    frame_.headers.push_back(header);
    frame_.deviceId = header.deviceId;
    frame_.frameNumber = header.frameNumber;
    frame_.previousFrameNumber = header.PreviousFrameNumber();
}

bool CameraFrameBuilder::Complete(std::string& problem) const
{
    if (frame_.stream != CameraStream::Combined || frame_.settings)
        return true;
    problem = "no frame settings item";
    return false;
}

CameraFrame CameraFrameBuilder::Take(const Datagram& last)
{
    frame_.sender = last.sender;
    frame_.senderPort = last.senderPort;
    frame_.arrival = last.arrival;
    return std::move(frame_);
}

bool CameraFrameBuilder::Add(CameraItem item, std::string& problem)
{
    const char* const name = kItemNames[item.index()];
    if (std::holds_alternative<FrameSettings>(item) && frame_.settings)
    {
        problem = "a second frame settings item";
        return false;
    }
    const int rank = Rank(frame_.stream, item);
    if (rank < lastRank_)
    {
        problem = Format("%s after %ss", name, lastItem_);
        return false;
    }
    lastRank_ = rank;
    lastItem_ = name;
    frame_.payloadBytes += ItemSize(item);
    std::visit([this](auto&& stored) { Store(std::move(stored)); }, std::move(item));
    return true;
}

void CameraFrameBuilder::Store(FrameSettings settings)
{
    frame_.settings = settings;
}

void CameraFrameBuilder::Store(CentroidItem centroid)
{
    frame_.centroids.push_back(centroid);
}

void CameraFrameBuilder::Store(TrackItem track)
{
    frame_.tracks.push_back(track);
}

void CameraFrameBuilder::Store(GreyscaleLine line)
{
    frame_.lines.push_back(std::move(line));
    frame_.greyscaleOrder.push_back(GreyscaleKind::Line);
}

void CameraFrameBuilder::Store(EdgePairItem pair)
{
    frame_.edgePairs.push_back(pair);
    frame_.greyscaleOrder.push_back(GreyscaleKind::EdgePair);
}
} // namespace HalProbe
