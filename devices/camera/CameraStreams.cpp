#include "devices/camera/CameraStreams.h"

#include "net/AsioUdpSocket.h"

#include <algorithm>

using namespace CameraPackets;

namespace CameraStreams
{
namespace
{
// The pixels of `line`, or none when the blob set does not hold them all.
const std::uint8_t* PixelsOf(const X2DIO::GreyscaleBlobSet& blobs, const X2DIO::GreyscaleLine& line)
{
    const std::size_t end = std::size_t(line.pixelOffset) + line.pixelCount;
    return end <= blobs.pixels.size() ? blobs.pixels.data() + line.pixelOffset : nullptr;
}

// Calls visit(blob index, blob, line) for every line of the first `blobLimit` blobs, in
// order, skipping lines a blob claims but the set does not hold.
template <class Visit>
void ForEachLine(const X2DIO::GreyscaleBlobSet& blobs, std::size_t blobLimit, Visit visit)
{
    for (std::size_t b = 0; b < std::min(blobs.blobs.size(), blobLimit); ++b)
    {
        const X2DIO::GreyscaleBlob& blob = blobs.blobs[b];
        const std::size_t end =
            std::min<std::size_t>(std::size_t(blob.firstLine) + blob.lineCount, blobs.lines.size());
        for (std::size_t l = blob.firstLine; l < end; ++l)
            visit(static_cast<std::uint16_t>(b), blob, blobs.lines[l]);
    }
}
} // namespace

// ---- protocol 1: centroids -------------------------------------------------------------

VCentroidStream::VCentroidStream(VAsioUdpSocket& socket)
    : socket_(socket), items_(socket, kItemsPerDatagram * kItemSize, false)
{
}

std::uint32_t VCentroidStream::Send(const FrameIds& ids,
                                    const std::vector<X2DIO::Centroid>& centroids,
                                    const std::vector<TrackItem>& tracks,
                                    std::uint32_t trailerFlags, bool countCentroids)
{
    items_.Reset();
    for (const X2DIO::Centroid& centroid : centroids)
        WriteCentroid(items_.Reserve(kItemSize), centroid);
    items_.SendGathered();
    for (const TrackItem& track : tracks)
        WriteTrack(items_.Reserve(kItemSize), track);
    items_.SendGathered();
    Trailer trailer;
    trailer.kind = StreamKind::kCentroids;
    trailer.deviceId = ids.deviceId;
    trailer.currentFrame = ids.currentFrame;
    trailer.payloadBytes = items_.GetTotal();
    trailer.centroidCount = countCentroids ? static_cast<std::uint32_t>(centroids.size()) : 0;
    trailer.previousFrame = ids.previousFrame;
    trailer.flags = trailerFlags;
    std::uint8_t bytes[kTrailerSize];
    WriteTrailer(bytes, trailer);
    socket_.Send(bytes, sizeof(bytes));
    return trailer.payloadBytes + static_cast<std::uint32_t>(kTrailerSize);
}

// ---- protocol 1: greyscale -------------------------------------------------------------

VGreyscaleStream::VGreyscaleStream(VAsioUdpSocket& socket)
    : assembler_(socket, kGreyscaleDatagramSize, false)
{
}

std::uint32_t VGreyscaleStream::Send(const FrameIds& ids, const X2DIO::GreyscaleBlobSet* blobs,
                                     const X2DIO::EdgePairSet* edgePairs, EncodingMode greyMode,
                                     EncodingMode coordMode, std::uint32_t threshold)
{
    assembler_.Reset();
    std::uint32_t payload = 0;
    if (greyMode != EncodingMode::kNone && blobs)
        payload += SendLines(*blobs);
    if (coordMode != EncodingMode::kNone && edgePairs)
        payload += SendEdgePairs(*edgePairs);
    assembler_.Flush();
    SendTrailer(ids, payload, threshold);
    return assembler_.GetTotal();
}

std::uint32_t VGreyscaleStream::SendTrailerOnly(const FrameIds& ids)
{
    assembler_.Reset();
    SendTrailer(ids, 0, 0);
    return assembler_.GetTotal();
}

void VGreyscaleStream::SendTrailer(const FrameIds& ids, std::uint32_t payload,
                                   std::uint32_t threshold)
{
    Trailer trailer;
    trailer.kind = StreamKind::kGreyscale;
    trailer.deviceId = ids.deviceId;
    trailer.currentFrame = ids.currentFrame;
    trailer.payloadBytes = payload;
    trailer.threshold = threshold;
    trailer.previousFrame = ids.previousFrame;
    WriteTrailer(assembler_.Reserve(kTrailerSize), trailer);
    assembler_.Flush();
}

std::uint32_t VGreyscaleStream::SendLines(const X2DIO::GreyscaleBlobSet& blobs)
{
    std::uint32_t payload = 0;
    ForEachLine(
        blobs, kMaxBlobsV1,
        [&](std::uint16_t index, const X2DIO::GreyscaleBlob& blob, const X2DIO::GreyscaleLine& line)
        {
            const std::uint8_t* pixels = PixelsOf(blobs, line);
            std::uint8_t header[kLineHeaderSize];
            WriteLineHeaderV1(header, index, blob.flags, line);
            if (pixels && assembler_.Append(header, sizeof(header), pixels, line.pixelCount))
                payload += static_cast<std::uint32_t>(kLineHeaderSize + line.pixelCount);
        });
    return payload;
}

std::uint32_t VGreyscaleStream::SendEdgePairs(const X2DIO::EdgePairSet& edgePairs)
{
    for (const X2DIO::EdgePair& edgePair : edgePairs.edgePairs)
        WriteEdgePair(assembler_.Reserve(kEdgePairSize), edgePair);
    return static_cast<std::uint32_t>(edgePairs.edgePairs.size() * kEdgePairSize);
}

// ---- protocol 2: combined --------------------------------------------------------------

VCombinedStream::VCombinedStream(VAsioUdpSocket& socket, std::size_t packetSize)
    : assembler_(socket, packetSize, true),
      itemsPerChunk_((assembler_.GetCapacity() - kDatagramHeaderSize) / kItemSize)
{
}

std::uint32_t VCombinedStream::Send(const DatagramHeader& header, const FrameSettings& settings,
                                    const CombinedFrame& frame)
{
    assembler_.Begin(header);
    WriteFrameSettings(assembler_.Reserve(kFrameSettingsSize), settings);
    if (frame.centroids)
        AppendInChunks(*frame.centroids, WriteCentroid);
    if (frame.tracks)
        AppendInChunks(*frame.tracks, WriteTrack);
    GatherGreyscale(frame);
    AppendGreyscale(frame.blobs);
    AppendOrderedLines(frame.orderedLines);
    assembler_.Flush();
    return assembler_.GetTotal();
}

// Each chunk is one item of the assembler: as many items as fill a datagram.
template <class Item, class Write>
void VCombinedStream::AppendInChunks(const std::vector<Item>& items, Write write)
{
    for (std::size_t first = 0; first < items.size(); first += itemsPerChunk_)
    {
        const std::size_t count = std::min(itemsPerChunk_, items.size() - first);
        std::uint8_t* room = assembler_.Reserve(count * kItemSize);
        if (!room)
            return;
        for (std::size_t i = 0; i < count; ++i)
            write(room + i * kItemSize, items[first + i]);
    }
}

void VCombinedStream::GatherGreyscale(const CombinedFrame& frame)
{
    entries_.clear();
    std::uint32_t sequence = 0;
    if (frame.blobs)
        ForEachLine(
            *frame.blobs, frame.blobs->blobs.size(),
            [&](std::uint16_t, const X2DIO::GreyscaleBlob& blob, const X2DIO::GreyscaleLine& line)
            {
                if (frame.greyMode == EncodingMode::kSome && (blob.flags & 1) != 0)
                    return;
                const std::uint64_t key = (std::uint64_t(line.y) << 16) + 2 * line.x + 1;
                entries_.push_back({key, sequence++, &line, nullptr});
            });
    if (frame.edgePairs)
        for (const X2DIO::EdgePair& edgePair : frame.edgePairs->edgePairs)
        {
            const std::uint64_t key = (std::uint64_t(edgePair.e1) << 16) + 2 * edgePair.e0;
            entries_.push_back({key, sequence++, nullptr, &edgePair});
        }
    std::sort(entries_.begin(), entries_.end(),
              [](const GreyscaleEntry& left, const GreyscaleEntry& right) {
                  return left.key != right.key ? left.key < right.key
                                               : left.sequence < right.sequence;
              });
}

void VCombinedStream::AppendGreyscale(const X2DIO::GreyscaleBlobSet* blobs)
{
    for (const GreyscaleEntry& entry : entries_)
    {
        if (entry.edgePair)
        {
            if (std::uint8_t* room = assembler_.Reserve(kEdgePairSize))
                WriteEdgePair(room, *entry.edgePair);
            continue;
        }
        AppendLine(*blobs, *entry.line);
    }
}

void VCombinedStream::AppendOrderedLines(const X2DIO::GreyscaleBlobSet* lines)
{
    if (!lines)
        return;
    for (const X2DIO::GreyscaleLine& line : lines->lines)
        AppendLine(*lines, line);
}

void VCombinedStream::AppendLine(const X2DIO::GreyscaleBlobSet& blobs,
                                 const X2DIO::GreyscaleLine& line)
{
    const std::uint8_t* pixels = PixelsOf(blobs, line);
    std::uint8_t header[kLineHeaderSize];
    WriteLineHeaderV2(header, line);
    if (pixels)
        assembler_.Append(header, sizeof(header), pixels, line.pixelCount);
}
} // namespace CameraStreams
