#include "tests/tools/halprobe/CameraBytes.h"

namespace CameraBytes
{
Writer& Writer::U16(std::uint16_t value)
{
    bytes_.push_back(std::uint8_t(value));
    bytes_.push_back(std::uint8_t(value >> 8));
    return *this;
}

Writer& Writer::U32(std::uint32_t value)
{
    return U16(std::uint16_t(value)).U16(std::uint16_t(value >> 16));
}

Writer& Writer::U64(std::uint64_t value)
{
    return U32(std::uint32_t(value)).U32(std::uint32_t(value >> 32));
}

Writer& Writer::Raw(const Bytes& bytes)
{
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

Bytes Centroid(std::uint16_t rawQuality, std::int32_t rawX, std::int32_t rawY,
               std::int32_t rawRadius)
{
    return Writer()
        .U16(0xC007)
        .U16(rawQuality)
        .U32(std::uint32_t(rawX))
        .U32(std::uint32_t(rawY))
        .U32(std::uint32_t(rawRadius))
        .Get();
}

Bytes Track(std::uint16_t index, std::uint16_t value, std::uint16_t rawWeight,
            std::uint64_t trackId)
{
    return Writer().U16(0xC006).U16(index).U16(value).U16(rawWeight).U64(trackId).Get();
}

Bytes EdgePair(std::uint16_t e1, std::uint16_t e0, std::uint16_t e2)
{
    return Writer().U16(0xC002).U16(e1).U16(e0).U16(e2).Get();
}

Bytes BlobLine(std::uint16_t blobWord, std::uint16_t y, std::uint16_t x, const Bytes& pixels)
{
    return Writer().U16(blobWord).U16(y).U16(x).U16(std::uint16_t(pixels.size())).Raw(pixels).Get();
}

Bytes Line(std::uint16_t y, std::uint16_t x, const Bytes& pixels)
{
    return BlobLine(0xC008, y, x, pixels);
}

Bytes TrailerBytes(const Trailer& trailer)
{
    return Writer()
        .U16(0xC001)
        .U16(trailer.length)
        .U16(2)
        .U16(trailer.streamKind)
        .U32(trailer.deviceId)
        .U32(trailer.frameNumber)
        .U32(trailer.payloadBytes)
        .U32(trailer.centroidCount)
        .U32(trailer.threshold)
        .U32(trailer.previousFrameNumber)
        .U32(trailer.flags)
        .Get();
}

Bytes HeaderBytes(const Header& header)
{
    return Writer()
        .U16(0xC009)
        .U16(header.index)
        .U32(header.frameNumber)
        .U32(header.payloadOffset)
        .U32(header.deviceId)
        .U32(135000000)
        .U32(header.period)
        .U16(1)
        .U16(header.previousDelta)
        .U16(1)
        .U16(header.flags)
        .Get();
}

Bytes Settings(std::uint16_t threshold, std::uint16_t minRatio, std::uint16_t maxPixelsPerLine,
               std::uint32_t greyFlags, std::uint16_t length)
{
    return Writer()
        .U16(0xE001)
        .U16(length)
        .U16(threshold)
        .U16(minRatio)
        .U16(maxPixelsPerLine)
        .U16(0)
        .U32(greyFlags)
        .Get();
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Writer writer;
    for (const Bytes& part : parts)
        writer.Raw(part);
    return writer.Get();
}

Bytes Centroids(std::size_t first, std::size_t count)
{
    Writer writer;
    for (std::size_t n = first; n < first + count; ++n)
        writer.Raw(
            Centroid(std::uint16_t(n % 256), std::int32_t(n * 256), std::int32_t(n * 512), 256));
    return writer.Get();
}
} // namespace CameraBytes
