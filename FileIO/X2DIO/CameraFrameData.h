#pragma once
// What one camera recorded in one frame of an X2D file: centroids, centroid tracks, greyscale
// blobs and edge pairs. The reader fills objects that the caller supplies, one per camera; the
// writer takes the same objects as its input.
//
// Thread rules: plain values.

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace X2DIO
{
struct Centroid
{
    double x = 0.0;
    double y = 0.0;
    double radius = 0.0;
    // In [0, 1).
    float quality = 0.0f;
};

struct CentroidSet
{
    std::string cameraName;
    std::int32_t valid = 0;
    // The camera's value D, or the largest finite double when the file does not describe the
    // camera.
    double valueD = std::numeric_limits<double>::max();
    std::vector<Centroid> centroids;
};

struct CentroidTrack
{
    std::int64_t identifier = -1;
    float weight = 0.0f;
    std::int32_t value = 0;
};

struct CentroidTrackSet
{
    std::string cameraName;
    std::int32_t valid = 0;
    std::vector<CentroidTrack> tracks;
};

struct GreyscaleBlob
{
    // Index of the blob's first line in GreyscaleBlobSet::lines.
    std::uint32_t firstLine = 0;
    std::uint16_t lineCount = 0;
    std::uint16_t flags = 0;
};

struct GreyscaleLine
{
    std::uint16_t x = 0;
    // The row.
    std::uint16_t y = 0;
    std::uint16_t pixelCount = 0;
    // Offset of the line's first pixel in GreyscaleBlobSet::pixels; one byte per pixel.
    std::uint32_t pixelOffset = 0;
};

struct GreyscaleBlobSet
{
    std::string cameraName;
    std::vector<GreyscaleBlob> blobs;
    std::vector<GreyscaleLine> lines;
    std::vector<std::uint8_t> pixels;
    // The camera's frame information byte.
    std::uint8_t frameFlags = 0;
};

struct EdgePair
{
    std::uint16_t e0 = 0;
    std::uint16_t e1 = 0;
    std::uint16_t e2 = 0;
};

struct EdgePairSet
{
    std::string cameraName;
    std::vector<EdgePair> edgePairs;
};

// One entry per camera; an empty entry makes the reader skip that camera's items of the kind.
using CentroidSetList = std::vector<std::shared_ptr<CentroidSet>>;
using CentroidTrackSetList = std::vector<std::shared_ptr<CentroidTrackSet>>;
using GreyscaleBlobSetList = std::vector<std::shared_ptr<GreyscaleBlobSet>>;
using EdgePairSetList = std::vector<std::shared_ptr<EdgePairSet>>;

inline bool operator==(const Centroid& left, const Centroid& right)
{
    return left.x == right.x && left.y == right.y && left.radius == right.radius &&
           left.quality == right.quality;
}

inline bool operator==(const CentroidTrack& left, const CentroidTrack& right)
{
    return left.identifier == right.identifier && left.weight == right.weight &&
           left.value == right.value;
}

inline bool operator==(const GreyscaleBlob& left, const GreyscaleBlob& right)
{
    return left.firstLine == right.firstLine && left.lineCount == right.lineCount &&
           left.flags == right.flags;
}

inline bool operator==(const GreyscaleLine& left, const GreyscaleLine& right)
{
    return left.x == right.x && left.y == right.y && left.pixelCount == right.pixelCount &&
           left.pixelOffset == right.pixelOffset;
}

inline bool operator==(const EdgePair& left, const EdgePair& right)
{
    return left.e0 == right.e0 && left.e1 == right.e1 && left.e2 == right.e2;
}
} // namespace X2DIO
