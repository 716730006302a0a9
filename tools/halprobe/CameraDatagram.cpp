#include "tools/halprobe/CameraDatagram.h"

#include "tools/halprobe/TextFormat.h"

#include <algorithm>

namespace HalProbe
{
namespace
{
constexpr unsigned kCombinedPortOffset = 5000;
constexpr unsigned kGreyscalePortOffset = 1000;

using ItemReader = std::optional<CameraItem> (*)(WireReader&, std::string&);

template <typename Item> std::optional<CameraItem> AsCameraItem(std::optional<Item> item)
{
    if (!item)
        return std::nullopt;
    return std::optional<CameraItem>(std::in_place, std::in_place_type<Item>, std::move(*item));
}

std::string UnknownItem(const WireReader& reader)
{
    return Format("unknown item type 0x%04X at byte %zu", reader.PeekUint16(), reader.Offset());
}

std::optional<CameraItem> ReadCentroidStreamItem(WireReader& reader, std::string& problem)
{
    switch (reader.PeekUint16())
    {
    case CameraItemType::kCentroid:
        return AsCameraItem(ReadCentroid(reader, problem));
    case CameraItemType::kTrack:
        return AsCameraItem(ReadTrack(reader, problem));
    default:
        problem = UnknownItem(reader);
        return std::nullopt;
    }
}

// A protocol-1 line has no type word: what is not an edge pair must be a blob word.
std::optional<CameraItem> ReadGreyscaleStreamItem(WireReader& reader, std::string& problem)
{
    const std::uint16_t first = reader.PeekUint16();
    if (first == CameraItemType::kEdgePair)
        return AsCameraItem(ReadEdgePair(reader, problem));
    if (first & GreyscaleLine::kLineBit)
        return AsCameraItem(ReadBlobLine(reader, problem));
    problem = Format("neither a greyscale line nor an edge pair at byte %zu: first word 0x%04X",
                     reader.Offset(), first);
    return std::nullopt;
}

std::optional<CameraItem> ReadCombinedStreamItem(WireReader& reader, std::string& problem)
{
    switch (reader.PeekUint16())
    {
    case CameraItemType::kFrameSettings:
        return AsCameraItem(ReadFrameSettings(reader, problem));
    case CameraItemType::kGreyscaleLine:
        return AsCameraItem(ReadGreyscaleLine(reader, problem));
    case CameraItemType::kEdgePair:
        return AsCameraItem(ReadEdgePair(reader, problem));
    default: // centroids, tracks and the unknown alike
        return ReadCentroidStreamItem(reader, problem);
    }
}

void ReadItems(WireReader& reader, ItemReader readItem, DecodedCameraDatagram& decoded)
{
    while (!reader.AtEnd())
    {
        if (reader.Remaining() < 2)
        {
            decoded.problem = Format("truncated item at byte %zu: 1 byte left", reader.Offset());
            return;
        }
        std::optional<CameraItem> item = readItem(reader, decoded.problem);
        if (!item)
            return;
        decoded.items.push_back(std::move(*item));
    }
}

// The trailer travels alone; the trailer is kept even when bytes follow, so the fault
// can name the frame.
DecodedCameraDatagram DecodeTrailerDatagram(WireReader& reader)
{
    DecodedCameraDatagram decoded;
    decoded.trailer = ReadFrameTrailer(reader, decoded.problem);
    if (decoded.trailer && !reader.AtEnd())
        decoded.problem = Format("%zu bytes after the frame trailer", reader.Remaining());
    return decoded;
}

template <typename Item> bool Holds(const std::vector<CameraItem>& items)
{
    return std::any_of(items.begin(), items.end(),
                       [](const CameraItem& item) { return std::holds_alternative<Item>(item); });
}

DecodedCameraDatagram DecodeCentroidStream(WireReader& reader)
{
    if (reader.PeekUint16() == CameraItemType::kFrameTrailer)
        return DecodeTrailerDatagram(reader);
    DecodedCameraDatagram decoded;
    if (reader.AtEnd())
        decoded.problem = "empty datagram";
    ReadItems(reader, ReadCentroidStreamItem, decoded);
    if (decoded.Ok() && Holds<CentroidItem>(decoded.items) && Holds<TrackItem>(decoded.items))
        decoded.problem = "centroid and track items in one datagram";
    return decoded;
}

DecodedCameraDatagram DecodeGreyscaleStream(WireReader& reader)
{
    if (reader.PeekUint16() == CameraItemType::kFrameTrailer)
        return DecodeTrailerDatagram(reader);
    DecodedCameraDatagram decoded;
    ReadItems(reader, ReadGreyscaleStreamItem, decoded);
    return decoded;
}

DecodedCameraDatagram DecodeCombinedStream(WireReader& reader)
{
    DecodedCameraDatagram decoded;
    decoded.header = ReadDatagramHeader(reader, decoded.problem);
    if (decoded.header)
        ReadItems(reader, ReadCombinedStreamItem, decoded);
    return decoded;
}
} // namespace

const char* CameraStreamName(CameraStream stream)
{
    switch (stream)
    {
    case CameraStream::Centroid:
        return "centroid stream";
    case CameraStream::Greyscale:
        return "greyscale stream";
    case CameraStream::Combined:
        return "combined stream";
    }
    return "unknown stream";
}

std::optional<std::uint16_t> CameraStreamPort(CameraStream stream, std::uint16_t dataPort)
{
    unsigned port = dataPort;
    if (stream == CameraStream::Greyscale)
        port += kGreyscalePortOffset;
    else if (stream == CameraStream::Combined)
        port += kCombinedPortOffset;
    if (port > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

DecodedCameraDatagram DecodeCameraDatagram(CameraStream stream,
                                           const std::vector<std::uint8_t>& bytes)
{
    WireReader reader(bytes);
    switch (stream)
    {
    case CameraStream::Centroid:
        return DecodeCentroidStream(reader);
    case CameraStream::Greyscale:
        return DecodeGreyscaleStream(reader);
    case CameraStream::Combined:
        return DecodeCombinedStream(reader);
    }
    return {};
}
} // namespace HalProbe
