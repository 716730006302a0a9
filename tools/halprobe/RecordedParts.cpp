#include "tools/halprobe/RecordedParts.h"

#include <limits>

namespace HalProbe
{
namespace
{
constexpr double kFixedPointUnit = 256.0;
constexpr double kWeightUnit = 65535.0;
constexpr std::uint16_t kBlobFlagSet = 1;
constexpr std::uint16_t kBlobFlagClear = 0;

X2DIO::Centroid ToCentroid(const CentroidItem& item)
{
    return {item.rawX / kFixedPointUnit, item.rawY / kFixedPointUnit,
            item.rawRadius / kFixedPointUnit, float(item.rawQuality / kFixedPointUnit)};
}

X2DIO::CentroidTrack ToTrack(const TrackItem& item)
{
    return {std::int64_t(item.trackId), float(item.rawWeight / kWeightUnit),
            std::int32_t(item.value)};
}

// A new blob starts where the blob index changes or the blob cannot count another line.
bool StartsBlob(const X2DIO::GreyscaleBlobSet& set, const GreyscaleLine& line,
                std::uint16_t previousIndex)
{
    return set.blobs.empty() || line.BlobIndex() != previousIndex ||
           set.blobs.back().lineCount == std::numeric_limits<std::uint16_t>::max();
}

void AddLines(const std::vector<GreyscaleLine>& lines, X2DIO::GreyscaleBlobSet& set)
{
    std::uint16_t previousIndex = 0;
    for (const GreyscaleLine& line : lines)
    {
        if (StartsBlob(set, line, previousIndex))
        {
            const bool flagSet = line.blobWord && !line.BlobFlagClear();
            set.blobs.push_back(
                {std::uint32_t(set.lines.size()), 0, flagSet ? kBlobFlagSet : kBlobFlagClear});
        }
        previousIndex = line.BlobIndex();
        ++set.blobs.back().lineCount;
        set.lines.push_back(
            {line.x, line.y, std::uint16_t(line.pixels.size()), std::uint32_t(set.pixels.size())});
        set.pixels.insert(set.pixels.end(), line.pixels.begin(), line.pixels.end());
    }
}
} // namespace

X2DIO::VX2DCameraFrame ToCameraRecord(const CameraFrame& frame)
{
    X2DIO::VX2DCameraFrame record;
    for (const CentroidItem& item : frame.centroids)
        record.centroids.centroids.push_back(ToCentroid(item));
    for (const TrackItem& item : frame.tracks)
        record.tracks.tracks.push_back(ToTrack(item));
    AddLines(frame.lines, record.blobs);
    for (const EdgePairItem& item : frame.edgePairs)
        record.edgePairs.edgePairs.push_back({item.e0, item.e1, item.e2});
    return record;
}

void JoinCameraRecord(X2DIO::VX2DCameraFrame& held, X2DIO::VX2DCameraFrame part)
{
    if (!part.centroids.centroids.empty())
        held.centroids = std::move(part.centroids);
    if (!part.tracks.tracks.empty())
        held.tracks = std::move(part.tracks);
    if (!part.blobs.lines.empty())
        held.blobs = std::move(part.blobs);
    if (!part.edgePairs.edgePairs.empty())
        held.edgePairs = std::move(part.edgePairs);
}

AnalogueRecord ToAnalogueRecord(const AnalogueFrame& frame)
{
    AnalogueRecord record;
    const std::vector<unsigned> channels = frame.record.Channels();
    for (std::size_t position = 0; position < channels.size(); ++position)
    {
        record.channels.push_back(std::int32_t(channels[position]) + 1);
        for (std::size_t sample = 0; sample < frame.SampleCount(); ++sample)
        {
            const std::size_t at = sample * channels.size() + position;
            const std::uint16_t value = at < frame.values.size() ? frame.values[at] : 0;
            record.block.push_back(std::uint8_t(value));
            record.block.push_back(std::uint8_t(value >> 8));
        }
    }
    return record;
}
} // namespace HalProbe
