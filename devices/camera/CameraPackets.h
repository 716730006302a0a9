#pragma once
// The camera data items and datagram framing sent to the HAL, encoded in one place:
// centroids, tracks, edge pairs, greyscale lines of both protocols, the protocol-1 frame
// trailer, the protocol-2 datagram header and frame settings item. Little-endian; each
// writer fills exactly the size it names. Reentrant.

#include "FileIO/X2DIO/CameraFrameData.h"

#include <cstddef>
#include <cstdint>

namespace CameraPackets
{
constexpr std::size_t kItemSize = 16; // centroid and track items
constexpr std::size_t kEdgePairSize = 8;
constexpr std::size_t kLineHeaderSize = 8; // before the line's pixels
constexpr std::size_t kTrailerSize = 36;
constexpr std::size_t kDatagramHeaderSize = 32;
constexpr std::size_t kFrameSettingsSize = 16;
// Protocol 1 sends at most this many 16-byte items in one datagram.
constexpr std::size_t kItemsPerDatagram = 87;
// Capacity of a protocol-1 greyscale datagram.
constexpr std::size_t kGreyscaleDatagramSize = 1400;
constexpr std::uint32_t kTickClockHz = 135000000;
// What the 16-bit counters can name: a protocol-1 line's blob index stops below its flag
// bits, a track item's index at 65535. Items beyond are left out.
constexpr std::size_t kMaxBlobsV1 = 0x2000;
constexpr std::size_t kMaxTracks = 0x10000;

enum class StreamKind : std::uint16_t
{
    kCentroids = 0,
    kGreyscale = 1,
};

// How many centroids or blobs, or edges, a camera reports: "none", "some", "only", "all".
enum class EncodingMode
{
    kNone,
    kSome,
    kOnly,
    kAll,
};

struct TrackItem
{
    std::uint16_t index = 0;
    // The track's value (file tracks) or age (generated tracks); low 16 bits are sent.
    std::uint32_t value = 0;
    float weight = 0.0f;
    std::uint64_t identifier = 0;
};

struct Trailer
{
    StreamKind kind = StreamKind::kCentroids;
    std::uint32_t deviceId = 0;
    std::uint32_t currentFrame = 0;
    std::uint32_t payloadBytes = 0;
    std::uint32_t centroidCount = 0;
    std::uint32_t threshold = 0;
    std::uint32_t previousFrame = 0;
    std::uint32_t flags = 0;
};

// Set in the protocol-1 centroid trailer while tracks are sent with the centroids.
constexpr std::uint32_t kTrailerFlagTracking = 8;

struct DatagramHeader
{
    std::uint32_t currentFrame = 0;
    std::uint32_t deviceId = 0;
    // 135 MHz ticks per frame; only the low 16 bits are sent.
    std::uint32_t framePeriodTicks = 0;
    std::uint32_t previousFrame = 0;
};

struct FrameSettings
{
    std::uint16_t threshold = 0;
    std::uint16_t minRatio = 0;
    std::uint16_t maxPixelsPerLine = 0;
    EncodingMode greyMode = EncodingMode::kAll;
};

// Fixed point with 8 fraction bits as the centroid fields carry it: truncated toward zero,
// held within the signed 32-bit range, 0 for a value that is not a number.
std::int32_t ToFixed8(double value);

void WriteCentroid(std::uint8_t* out, const X2DIO::Centroid& centroid);
void WriteTrack(std::uint8_t* out, const TrackItem& track);
void WriteEdgePair(std::uint8_t* out, const X2DIO::EdgePair& edgePair);
// Protocol 1: the blob word (blob index with 0x8000, and 0x2000 when bit 0 of the blob's
// flags is clear), then y, x and the pixel count.
void WriteLineHeaderV1(std::uint8_t* out, std::uint16_t blobIndex, std::uint16_t blobFlags,
                       const X2DIO::GreyscaleLine& line);
// Protocol 2: the item type, then y, x and the pixel count.
void WriteLineHeaderV2(std::uint8_t* out, const X2DIO::GreyscaleLine& line);
void WriteTrailer(std::uint8_t* out, const Trailer& trailer);
// Datagram index 0, payload offset 0, not the last: the assembler keeps those current.
void WriteDatagramHeader(std::uint8_t* out, const DatagramHeader& header);
void WriteFrameSettings(std::uint8_t* out, const FrameSettings& settings);

// The grey flags of the frame settings item: 2 when grey data is sent at all, 4 when all
// of it, 8 unless only grey data.
std::uint32_t GreyFlags(EncodingMode greyMode);
// 135 MHz ticks per frame at `rate` Hz, truncated; 0 for a rate of 0 or less.
std::uint32_t FramePeriodTicks(double rate);

// Where the assembler updates a protocol-2 header as a frame goes out in datagrams.
constexpr std::size_t kHeaderIndexOffset = 2;
constexpr std::size_t kHeaderPayloadOffset = 8;
constexpr std::size_t kHeaderFlagsOffset = 30;
constexpr std::uint16_t kHeaderFlagLast = 1;
} // namespace CameraPackets
