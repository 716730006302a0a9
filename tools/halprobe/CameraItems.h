#pragma once
// The items of a camera's frame data as the HAL receives them (all little-endian):
// centroids, tracks, edge pairs, greyscale lines of both protocols, the protocol-1 frame
// trailer, the protocol-2 datagram header and frame settings. Each reader takes one item
// at the reader's position, type word included; when the bytes are not all there or say
// something else, it returns nothing and puts what is wrong into `problem`. Reentrant.

#include "tools/halprobe/WireReader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace HalProbe
{
namespace CameraItemType
{
constexpr std::uint16_t kFrameTrailer = 0xC001;
constexpr std::uint16_t kEdgePair = 0xC002;
constexpr std::uint16_t kTrack = 0xC006;
constexpr std::uint16_t kCentroid = 0xC007;
constexpr std::uint16_t kGreyscaleLine = 0xC008;
constexpr std::uint16_t kDatagramHeader = 0xC009;
constexpr std::uint16_t kFrameSettings = 0xE001;
} // namespace CameraItemType

namespace CameraItemSize
{
constexpr std::size_t kCentroid = 16;
constexpr std::size_t kTrack = 16;
constexpr std::size_t kEdgePair = 8;
constexpr std::size_t kLineHead = 8; // a greyscale line before its pixels
constexpr std::size_t kFrameTrailer = 36;
constexpr std::size_t kDatagramHeader = 32;
constexpr std::size_t kFrameSettings = 16;
} // namespace CameraItemSize

// Position and size in fixed point with 8 fraction bits, as sent; the real values divide
// by 256.
struct CentroidItem
{
    std::uint16_t rawQuality = 0;
    std::int32_t rawX = 0;
    std::int32_t rawY = 0;
    std::int32_t rawRadius = 0;

    double Quality() const { return rawQuality / 256.0; }
    double X() const { return rawX / 256.0; }
    double Y() const { return rawY / 256.0; }
    double Radius() const { return rawRadius / 256.0; }
};

struct TrackItem
{
    std::uint16_t index = 0;     // position of the track in the frame's track list
    std::uint16_t value = 0;     // low 16 bits of the track's value
    std::uint16_t rawWeight = 0; // weight × 65535
    std::uint64_t trackId = 0;

    double Weight() const { return rawWeight / 65535.0; }
};

// On the wire in the order e1, e0, e2.
struct EdgePairItem
{
    std::uint16_t e0 = 0;
    std::uint16_t e1 = 0;
    std::uint16_t e2 = 0;
};

struct GreyscaleLine
{
    // Bits of a protocol-1 line's blob word.
    static constexpr std::uint16_t kLineBit = 0x8000;
    static constexpr std::uint16_t kFlagClearBit = 0x2000; // the blob's flag bit 0 is clear
    static constexpr std::uint16_t kBlobIndexMask = 0x1FFF;

    std::optional<std::uint16_t> blobWord; // protocol-1 lines only
    std::uint16_t y = 0;
    std::uint16_t x = 0;
    std::vector<std::uint8_t> pixels;

    // The blob's position in the camera's blob list; only indices below 0x2000 survive
    // the blob word.
    std::uint16_t BlobIndex() const { return blobWord.value_or(0) & kBlobIndexMask; }
    bool BlobFlagClear() const { return blobWord.value_or(0) & kFlagClearBit; }
    std::size_t Size() const { return CameraItemSize::kLineHead + pixels.size(); }
};

// Ends every protocol-1 frame, alone in its datagram.
struct FrameTrailer
{
    static constexpr std::uint16_t kCentroidStream = 0;
    static constexpr std::uint16_t kGreyscaleStream = 1;

    std::uint16_t length = 0;  // 36
    std::uint16_t version = 0; // 2
    std::uint16_t streamKind = 0;
    std::uint32_t deviceId = 0;
    std::uint32_t frameNumber = 0;
    std::uint32_t payloadBytes = 0; // total size of the frame's items
    std::uint32_t centroidCount = 0;
    std::uint32_t threshold = 0;
    std::uint32_t previousFrameNumber = 0;
    std::uint32_t flags = 0; // 8 while tracking
};

// Opens every datagram of the protocol-2 combined stream.
struct DatagramHeader
{
    static constexpr std::uint16_t kLastDatagramFlag = 1;

    std::uint16_t index = 0; // datagram index within the frame
    std::uint32_t frameNumber = 0;
    std::uint32_t payloadOffset = 0; // of this datagram's payload within the frame's
    std::uint32_t deviceId = 0;
    std::uint32_t tickClock = 0;     // 135000000 Hz
    std::uint32_t period = 0;        // frame period in ticks, low 16 bits only
    std::uint16_t word24 = 0;        // 1
    std::uint16_t previousDelta = 0; // previous minus current frame number, low 16 bits
    std::uint16_t word28 = 0;        // 1
    std::uint16_t flags = 0;

    bool IsLast() const { return flags & kLastDatagramFlag; }
    // Right while the two frame numbers lie less than 32768 apart.
    std::uint32_t PreviousFrameNumber() const
    {
        return frameNumber + static_cast<std::uint32_t>(static_cast<std::int16_t>(previousDelta));
    }
};

// The first item of every protocol-2 frame.
struct FrameSettings
{
    std::uint16_t length = 0; // 16
    std::uint16_t threshold = 0;
    std::uint16_t minRatio = 0;
    std::uint16_t maxPixelsPerLine = 0;
    std::uint16_t reserved = 0;
    std::uint32_t greyFlags = 0;
};

using CameraItem =
    std::variant<FrameSettings, CentroidItem, TrackItem, GreyscaleLine, EdgePairItem>;

std::optional<CentroidItem> ReadCentroid(WireReader& reader, std::string& problem);
std::optional<TrackItem> ReadTrack(WireReader& reader, std::string& problem);
std::optional<EdgePairItem> ReadEdgePair(WireReader& reader, std::string& problem);
// A protocol-1 line: no type word, a blob word with the line bit set.
std::optional<GreyscaleLine> ReadBlobLine(WireReader& reader, std::string& problem);
// A protocol-2 line, type 0xC008.
std::optional<GreyscaleLine> ReadGreyscaleLine(WireReader& reader, std::string& problem);
// Also refuses a trailer whose length field is not 36.
std::optional<FrameTrailer> ReadFrameTrailer(WireReader& reader, std::string& problem);
std::optional<DatagramHeader> ReadDatagramHeader(WireReader& reader, std::string& problem);
// Also refuses settings whose length field is not 16.
std::optional<FrameSettings> ReadFrameSettings(WireReader& reader, std::string& problem);
} // namespace HalProbe
