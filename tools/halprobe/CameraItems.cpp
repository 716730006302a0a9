#include "tools/halprobe/CameraItems.h"

#include "tools/halprobe/TextFormat.h"

namespace HalProbe
{
namespace
{
// True when `size` bytes remain; otherwise `problem` says which item is cut short.
bool Available(const WireReader& reader, std::size_t size, const char* item, std::string& problem)
{
    if (reader.Remaining() >= size)
        return true;
    problem = Format("truncated %s at byte %zu: %zu bytes needed, %zu left", item, reader.Offset(),
                     size, reader.Remaining());
    return false;
}

// True when the whole item is there and opens with its type word.
bool Begins(const WireReader& reader, std::uint16_t type, std::size_t size, const char* item,
            std::string& problem)
{
    if (!Available(reader, size, item, problem))
        return false;
    if (reader.PeekUint16() == type)
        return true;
    problem = Format("%s expected at byte %zu, found type word 0x%04X", item, reader.Offset(),
                     reader.PeekUint16());
    return false;
}

bool LengthFieldIs(std::uint16_t length, std::size_t expected, const char* item,
                   std::string& problem)
{
    if (length == expected)
        return true;
    problem = Format("%s states length %u, not %zu", item, length, expected);
    return false;
}

// The fields of a line behind its first word, both protocols: y, x, pixel count, pixels.
std::optional<GreyscaleLine> ReadLineBody(WireReader& reader, const char* item,
                                          std::string& problem)
{
    const std::size_t start = reader.Offset();
    if (!Available(reader, CameraItemSize::kLineHead, item, problem))
        return std::nullopt;
    reader.Uint16();
    GreyscaleLine line;
    line.y = reader.Uint16();
    line.x = reader.Uint16();
    const std::uint16_t count = reader.Uint16();
    if (reader.Remaining() < count)
    {
        problem = Format("truncated %s at byte %zu: %u pixels stated, %zu bytes left", item, start,
                         count, reader.Remaining());
        return std::nullopt;
    }
    line.pixels = reader.Bytes(count);
    return line;
}
} // namespace

std::optional<CentroidItem> ReadCentroid(WireReader& reader, std::string& problem)
{
    if (!Begins(reader, CameraItemType::kCentroid, CameraItemSize::kCentroid, "centroid item",
                problem))
        return std::nullopt;
    reader.Uint16();
    CentroidItem centroid;
    centroid.rawQuality = reader.Uint16();
    centroid.rawX = reader.Int32();
    centroid.rawY = reader.Int32();
    centroid.rawRadius = reader.Int32();
    return centroid;
}

std::optional<TrackItem> ReadTrack(WireReader& reader, std::string& problem)
{
    if (!Begins(reader, CameraItemType::kTrack, CameraItemSize::kTrack, "track item", problem))
        return std::nullopt;
    reader.Uint16();
    TrackItem track;
    track.index = reader.Uint16();
    track.value = reader.Uint16();
    track.rawWeight = reader.Uint16();
    track.trackId = reader.Uint64();
    return track;
}

std::optional<EdgePairItem> ReadEdgePair(WireReader& reader, std::string& problem)
{
    if (!Begins(reader, CameraItemType::kEdgePair, CameraItemSize::kEdgePair, "edge pair item",
                problem))
        return std::nullopt;
    reader.Uint16();
    EdgePairItem pair;
    pair.e1 = reader.Uint16();
    pair.e0 = reader.Uint16();
    pair.e2 = reader.Uint16();
    return pair;
}

std::optional<GreyscaleLine> ReadBlobLine(WireReader& reader, std::string& problem)
{
    const char* const item = "greyscale line";
    const std::uint16_t blobWord = reader.PeekUint16();
    if (Available(reader, CameraItemSize::kLineHead, item, problem) &&
        !(blobWord & GreyscaleLine::kLineBit))
    {
        problem = Format("%s expected at byte %zu, found blob word 0x%04X without the line bit",
                         item, reader.Offset(), blobWord);
        return std::nullopt;
    }
    std::optional<GreyscaleLine> line = ReadLineBody(reader, item, problem);
    if (line)
        line->blobWord = blobWord;
    return line;
}

std::optional<GreyscaleLine> ReadGreyscaleLine(WireReader& reader, std::string& problem)
{
    const char* const item = "greyscale line";
    if (!Begins(reader, CameraItemType::kGreyscaleLine, CameraItemSize::kLineHead, item, problem))
        return std::nullopt;
    return ReadLineBody(reader, item, problem);
}

std::optional<FrameTrailer> ReadFrameTrailer(WireReader& reader, std::string& problem)
{
    const char* const item = "frame trailer";
    if (!Begins(reader, CameraItemType::kFrameTrailer, CameraItemSize::kFrameTrailer, item,
                problem))
        return std::nullopt;
    reader.Uint16();
    FrameTrailer trailer;
    trailer.length = reader.Uint16();
    trailer.version = reader.Uint16();
    trailer.streamKind = reader.Uint16();
    trailer.deviceId = reader.Uint32();
    trailer.frameNumber = reader.Uint32();
    trailer.payloadBytes = reader.Uint32();
    trailer.centroidCount = reader.Uint32();
    trailer.threshold = reader.Uint32();
    trailer.previousFrameNumber = reader.Uint32();
    trailer.flags = reader.Uint32();
    if (!LengthFieldIs(trailer.length, CameraItemSize::kFrameTrailer, item, problem))
        return std::nullopt;
    return trailer;
}

std::optional<DatagramHeader> ReadDatagramHeader(WireReader& reader, std::string& problem)
{
    if (!Begins(reader, CameraItemType::kDatagramHeader, CameraItemSize::kDatagramHeader,
                "datagram header", problem))
        return std::nullopt;
    reader.Uint16();
    DatagramHeader header;
    header.index = reader.Uint16();
    header.frameNumber = reader.Uint32();
    header.payloadOffset = reader.Uint32();
    header.deviceId = reader.Uint32();
    header.tickClock = reader.Uint32();
    header.period = reader.Uint32();
    header.word24 = reader.Uint16();
    header.previousDelta = reader.Uint16();
    header.word28 = reader.Uint16();
    header.flags = reader.Uint16();
    return header;
}

std::optional<FrameSettings> ReadFrameSettings(WireReader& reader, std::string& problem)
{
    const char* const item = "frame settings item";
    if (!Begins(reader, CameraItemType::kFrameSettings, CameraItemSize::kFrameSettings, item,
                problem))
        return std::nullopt;
    reader.Uint16();
    FrameSettings settings;
    settings.length = reader.Uint16();
    settings.threshold = reader.Uint16();
    settings.minRatio = reader.Uint16();
    settings.maxPixelsPerLine = reader.Uint16();
    settings.reserved = reader.Uint16();
    settings.greyFlags = reader.Uint32();
    if (!LengthFieldIs(settings.length, CameraItemSize::kFrameSettings, item, problem))
        return std::nullopt;
    return settings;
}
} // namespace HalProbe
