#include "devices/camera/CameraPackets.h"

#include "net/ByteOrder.h"

namespace CameraPackets
{
namespace
{
using ByteOrder::StoreLittleEndian16;
using ByteOrder::StoreLittleEndian32;

constexpr std::uint16_t kCentroidType = 0xC007;
constexpr std::uint16_t kTrackType = 0xC006;
constexpr std::uint16_t kEdgePairType = 0xC002;
constexpr std::uint16_t kLineTypeV2 = 0xC008;
constexpr std::uint16_t kTrailerType = 0xC001;
constexpr std::uint16_t kDatagramHeaderType = 0xC009;
constexpr std::uint16_t kFrameSettingsType = 0xE001;

// Truncated toward zero and held within [low, high]; a value that is not a number (a
// recording can hold any bit pattern) becomes 0. Plain comparisons: this runs for every
// item of every frame.
std::int64_t Truncated(double value, double low, double high)
{
    if (value >= low && value <= high)
        return static_cast<std::int64_t>(value);
    if (value > high)
        return static_cast<std::int64_t>(high);
    return value < low ? static_cast<std::int64_t>(low) : 0;
}

std::uint32_t Fixed8(double value)
{
    return static_cast<std::uint32_t>(ToFixed8(value));
}
} // namespace

std::int32_t ToFixed8(double value)
{
    return static_cast<std::int32_t>(Truncated(value * 256.0, -2147483648.0, 2147483647.0));
}

void WriteCentroid(std::uint8_t* out, const X2DIO::Centroid& centroid)
{
    StoreLittleEndian16(out, kCentroidType);
    StoreLittleEndian16(
        out + 2, static_cast<std::uint16_t>(Truncated(centroid.quality * 256.0, 0.0, 65535.0)));
    StoreLittleEndian32(out + 4, Fixed8(centroid.x));
    StoreLittleEndian32(out + 8, Fixed8(centroid.y));
    StoreLittleEndian32(out + 12, Fixed8(centroid.radius));
}

void WriteTrack(std::uint8_t* out, const TrackItem& track)
{
    StoreLittleEndian16(out, kTrackType);
    StoreLittleEndian16(out + 2, track.index);
    StoreLittleEndian16(out + 4, static_cast<std::uint16_t>(track.value));
    const double weight = static_cast<double>(track.weight) * 65535.0;
    StoreLittleEndian16(out + 6, static_cast<std::uint16_t>(Truncated(weight, 0.0, 65535.0)));
    StoreLittleEndian32(out + 8, static_cast<std::uint32_t>(track.identifier));
    StoreLittleEndian32(out + 12, static_cast<std::uint32_t>(track.identifier >> 32));
}

void WriteEdgePair(std::uint8_t* out, const X2DIO::EdgePair& edgePair)
{
    StoreLittleEndian16(out, kEdgePairType);
    StoreLittleEndian16(out + 2, edgePair.e1);
    StoreLittleEndian16(out + 4, edgePair.e0);
    StoreLittleEndian16(out + 6, edgePair.e2);
}

void WriteLineHeaderV1(std::uint8_t* out, std::uint16_t blobIndex, std::uint16_t blobFlags,
                       const X2DIO::GreyscaleLine& line)
{
    std::uint16_t blobWord = blobIndex | 0x8000;
    if ((blobFlags & 1) == 0)
        blobWord |= 0x2000;
    StoreLittleEndian16(out, blobWord);
    StoreLittleEndian16(out + 2, line.y);
    StoreLittleEndian16(out + 4, line.x);
    StoreLittleEndian16(out + 6, line.pixelCount);
}

void WriteLineHeaderV2(std::uint8_t* out, const X2DIO::GreyscaleLine& line)
{
    StoreLittleEndian16(out, kLineTypeV2);
    StoreLittleEndian16(out + 2, line.y);
    StoreLittleEndian16(out + 4, line.x);
    StoreLittleEndian16(out + 6, line.pixelCount);
}

void WriteTrailer(std::uint8_t* out, const Trailer& trailer)
{
    StoreLittleEndian16(out, kTrailerType);
    StoreLittleEndian16(out + 2, kTrailerSize);
    StoreLittleEndian16(out + 4, 2);
    StoreLittleEndian16(out + 6, static_cast<std::uint16_t>(trailer.kind));
    StoreLittleEndian32(out + 8, trailer.deviceId);
    StoreLittleEndian32(out + 12, trailer.currentFrame);
    StoreLittleEndian32(out + 16, trailer.payloadBytes);
    StoreLittleEndian32(out + 20, trailer.centroidCount);
    StoreLittleEndian32(out + 24, trailer.threshold);
    StoreLittleEndian32(out + 28, trailer.previousFrame);
    StoreLittleEndian32(out + 32, trailer.flags);
}

void WriteDatagramHeader(std::uint8_t* out, const DatagramHeader& header)
{
    StoreLittleEndian16(out, kDatagramHeaderType);
    StoreLittleEndian16(out + kHeaderIndexOffset, 0);
    StoreLittleEndian32(out + 4, header.currentFrame);
    StoreLittleEndian32(out + kHeaderPayloadOffset, 0);
    StoreLittleEndian32(out + 12, header.deviceId);
    StoreLittleEndian32(out + 16, kTickClockHz);
    StoreLittleEndian32(out + 20, header.framePeriodTicks & 0xFFFF);
    StoreLittleEndian16(out + 24, 1);
    StoreLittleEndian16(out + 26,
                        static_cast<std::uint16_t>(header.previousFrame - header.currentFrame));
    StoreLittleEndian16(out + 28, 1);
    StoreLittleEndian16(out + kHeaderFlagsOffset, 0);
}

void WriteFrameSettings(std::uint8_t* out, const FrameSettings& settings)
{
    StoreLittleEndian16(out, kFrameSettingsType);
    StoreLittleEndian16(out + 2, kFrameSettingsSize);
    StoreLittleEndian16(out + 4, settings.threshold);
    StoreLittleEndian16(out + 6, settings.minRatio);
    StoreLittleEndian16(out + 8, settings.maxPixelsPerLine);
    StoreLittleEndian16(out + 10, 0);
    StoreLittleEndian32(out + 12, GreyFlags(settings.greyMode));
}

std::uint32_t GreyFlags(EncodingMode greyMode)
{
    std::uint32_t flags = 0;
    if (greyMode != EncodingMode::kNone)
        flags |= 2;
    if (greyMode == EncodingMode::kAll)
        flags |= 4;
    if (greyMode != EncodingMode::kOnly)
        flags |= 8;
    return flags;
}

std::uint32_t FramePeriodTicks(double rate)
{
    if (!(rate > 0.0))
        return 0;
    const double ticks = kTickClockHz / rate;
    return ticks >= 4294967295.0 ? 0xFFFFFFFF : static_cast<std::uint32_t>(ticks);
}
} // namespace CameraPackets
