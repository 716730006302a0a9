#pragma once
// Camera stream datagrams for tests, built field by field from the byte layouts of the
// camera data (all little-endian), independent of the probe's decoder and of the
// devices' encoder. Reentrant.

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace CameraBytes
{
using Bytes = std::vector<std::uint8_t>;

// Appends little-endian fields to a byte vector.
class Writer
{
public:
    Writer& U16(std::uint16_t value);
    Writer& U32(std::uint32_t value);
    Writer& U64(std::uint64_t value);
    Writer& Raw(const Bytes& bytes);

    const Bytes& Get() const { return bytes_; }

private:
    Bytes bytes_;
};

Bytes Centroid(std::uint16_t rawQuality, std::int32_t rawX, std::int32_t rawY,
               std::int32_t rawRadius);
Bytes Track(std::uint16_t index, std::uint16_t value, std::uint16_t rawWeight,
            std::uint64_t trackId);
// Arguments in wire order.
Bytes EdgePair(std::uint16_t e1, std::uint16_t e0, std::uint16_t e2);
Bytes BlobLine(std::uint16_t blobWord, std::uint16_t y, std::uint16_t x, const Bytes& pixels);
Bytes Line(std::uint16_t y, std::uint16_t x, const Bytes& pixels);

struct Trailer
{
    std::uint16_t streamKind = 0;
    std::uint32_t deviceId = 7;
    std::uint32_t frameNumber = 12;
    std::uint32_t payloadBytes = 0;
    std::uint32_t centroidCount = 0;
    std::uint32_t threshold = 0;
    std::uint32_t previousFrameNumber = 11;
    std::uint32_t flags = 0;
    std::uint16_t length = 36;
};
Bytes TrailerBytes(const Trailer& trailer);

struct Header
{
    std::uint16_t index = 0;
    std::uint32_t frameNumber = 12;
    std::uint32_t payloadOffset = 0;
    std::uint32_t deviceId = 9;
    std::uint32_t period = 39280;
    std::uint16_t previousDelta = 0xFFFF;
    std::uint16_t flags = 0;
};
Bytes HeaderBytes(const Header& header);

Bytes Settings(std::uint16_t threshold, std::uint16_t minRatio, std::uint16_t maxPixelsPerLine,
               std::uint32_t greyFlags, std::uint16_t length = 16);

Bytes Concat(std::initializer_list<Bytes> parts);
// `count` centroid items, the n-th at x = n, y = 2n, radius 1, quality n mod 256.
Bytes Centroids(std::size_t first, std::size_t count);
} // namespace CameraBytes
