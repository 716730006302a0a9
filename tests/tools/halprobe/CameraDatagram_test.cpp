// Decoding of single camera datagrams, built byte by byte from the layouts.

#include "tests/tools/halprobe/CameraBytes.h"
#include "tools/halprobe/CameraDatagram.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

using namespace HalProbe;
using namespace CameraBytes;
using testing::HasSubstr;

namespace
{
template <typename Item>
const Item& ItemAt(const DecodedCameraDatagram& decoded, std::size_t position)
{
    return std::get<Item>(decoded.items.at(position));
}

DecodedCameraDatagram DecodeWhole(CameraStream stream, const Bytes& bytes)
{
    DecodedCameraDatagram decoded = DecodeCameraDatagram(stream, bytes);
    EXPECT_TRUE(decoded.Ok()) << decoded.problem;
    return decoded;
}

Bytes Prefix(const Bytes& bytes, std::size_t size)
{
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
}
} // namespace

TEST(CameraDatagram, CentroidsCarryFixedPointWithEightFractionBits)
{
    const DecodedCameraDatagram decoded = DecodeWhole(
        CameraStream::Centroid,
        Concat({Centroid(128, 3200, -640, 257), Centroid(255, 0x7FFFFFFF, INT32_MIN, 0)}));
    ASSERT_EQ(decoded.items.size(), 2u);
    const auto& first = ItemAt<CentroidItem>(decoded, 0);
    EXPECT_EQ(first.rawQuality, 128);
    EXPECT_EQ(first.rawX, 3200);
    EXPECT_EQ(first.rawY, -640);
    EXPECT_EQ(first.rawRadius, 257);
    EXPECT_DOUBLE_EQ(first.Quality(), 0.5);
    EXPECT_DOUBLE_EQ(first.X(), 12.5);
    EXPECT_DOUBLE_EQ(first.Y(), -2.5);
    EXPECT_DOUBLE_EQ(first.Radius(), 1.00390625);
    const auto& second = ItemAt<CentroidItem>(decoded, 1);
    EXPECT_DOUBLE_EQ(second.Quality(), 255 / 256.0);
    EXPECT_EQ(second.rawX, 0x7FFFFFFF);
    EXPECT_EQ(second.rawY, INT32_MIN);
    EXPECT_FALSE(decoded.header || decoded.trailer);
}

TEST(CameraDatagram, TracksAndEdgePairsKeepEveryFieldInPlace)
{
    const DecodedCameraDatagram tracks =
        DecodeWhole(CameraStream::Centroid, Concat({Track(3, 0xBEEF, 65535, 0x8000000000000005ull),
                                                    Track(4, 1, 32767, 0x0102030405060708ull)}));
    const auto& track = ItemAt<TrackItem>(tracks, 0);
    EXPECT_EQ(track.index, 3);
    EXPECT_EQ(track.value, 0xBEEF);
    EXPECT_DOUBLE_EQ(track.Weight(), 1.0);
    EXPECT_EQ(track.trackId, 0x8000000000000005ull);
    EXPECT_EQ(ItemAt<TrackItem>(tracks, 1).trackId, 0x0102030405060708ull);
    EXPECT_EQ(ItemAt<TrackItem>(tracks, 1).rawWeight, 32767);

    // The wire order is e1, e0, e2.
    const DecodedCameraDatagram pairs = DecodeWhole(CameraStream::Greyscale, EdgePair(5, 10, 7));
    const auto& pair = ItemAt<EdgePairItem>(pairs, 0);
    EXPECT_EQ(pair.e0, 10);
    EXPECT_EQ(pair.e1, 5);
    EXPECT_EQ(pair.e2, 7);
}

TEST(CameraDatagram, BlobLinesAndEdgePairsAreToldApartByTheirFirstWord)
{
    const DecodedCameraDatagram decoded = DecodeWhole(
        CameraStream::Greyscale,
        Concat({BlobLine(0x8000 | 0x2000 | 5, 6, 7, {1, 2, 3}), EdgePair(1, 2, 3),
                BlobLine(0x8000 | 0x1FFF, 0xFFFF, 0, {}), BlobLine(0x8000, 1, 2, {9})}));
    ASSERT_EQ(decoded.items.size(), 4u);
    const auto& flagged = ItemAt<GreyscaleLine>(decoded, 0);
    EXPECT_EQ(flagged.blobWord, 0xA005);
    EXPECT_EQ(flagged.BlobIndex(), 5);
    EXPECT_TRUE(flagged.BlobFlagClear());
    EXPECT_EQ(flagged.y, 6);
    EXPECT_EQ(flagged.x, 7);
    EXPECT_EQ(flagged.pixels, (Bytes{1, 2, 3}));
    EXPECT_TRUE(std::holds_alternative<EdgePairItem>(decoded.items[1]));
    const auto& last = ItemAt<GreyscaleLine>(decoded, 2);
    EXPECT_EQ(last.BlobIndex(), 0x1FFF);
    EXPECT_FALSE(last.BlobFlagClear());
    EXPECT_EQ(last.y, 0xFFFF);
    EXPECT_TRUE(last.pixels.empty());
    EXPECT_EQ(ItemAt<GreyscaleLine>(decoded, 3).pixels, Bytes{9});

    EXPECT_TRUE(DecodeWhole(CameraStream::Greyscale, {}).items.empty())
        << "the flush at the end of a frame may send nothing at all";
}

TEST(CameraDatagram, TrailersOfBothStreamsAreDatagramsOfTheirOwn)
{
    Trailer centroidTrailer;
    centroidTrailer.payloadBytes = 3200;
    centroidTrailer.centroidCount = 200;
    centroidTrailer.flags = 8;
    const DecodedCameraDatagram centroid =
        DecodeWhole(CameraStream::Centroid, TrailerBytes(centroidTrailer));
    ASSERT_TRUE(centroid.trailer);
    EXPECT_TRUE(centroid.items.empty());
    EXPECT_EQ(centroid.trailer->length, 36);
    EXPECT_EQ(centroid.trailer->version, 2);
    EXPECT_EQ(centroid.trailer->streamKind, FrameTrailer::kCentroidStream);
    EXPECT_EQ(centroid.trailer->deviceId, 7u);
    EXPECT_EQ(centroid.trailer->frameNumber, 12u);
    EXPECT_EQ(centroid.trailer->payloadBytes, 3200u);
    EXPECT_EQ(centroid.trailer->centroidCount, 200u);
    EXPECT_EQ(centroid.trailer->threshold, 0u);
    EXPECT_EQ(centroid.trailer->previousFrameNumber, 11u);
    EXPECT_EQ(centroid.trailer->flags, 8u);

    Trailer greyTrailer;
    greyTrailer.streamKind = 1;
    greyTrailer.threshold = 128;
    const DecodedCameraDatagram grey =
        DecodeWhole(CameraStream::Greyscale, TrailerBytes(greyTrailer));
    ASSERT_TRUE(grey.trailer);
    EXPECT_EQ(grey.trailer->streamKind, FrameTrailer::kGreyscaleStream);
    EXPECT_EQ(grey.trailer->threshold, 128u);
}

TEST(CameraDatagram, CombinedDatagramsOpenWithTheHeaderAndMixEveryItem)
{
    // 100 Hz: 135000000 / 100 = 1350000 ticks, of which the low 16 bits are 39280.
    const std::uint32_t period = (135000000u / 100u) & 0xFFFFu;
    ASSERT_EQ(period, 39280u);
    Header header;
    header.index = 2;
    header.payloadOffset = 4080;
    header.period = period;
    header.flags = 1;
    const DecodedCameraDatagram decoded =
        DecodeWhole(CameraStream::Combined,
                    Concat({HeaderBytes(header), Settings(128, 3, 40, 14), Centroid(1, 2, 3, 4),
                            Track(0, 1, 2, 3), Line(5, 10, {7, 8}), EdgePair(5, 10, 0)}));
    ASSERT_TRUE(decoded.header);
    EXPECT_EQ(decoded.header->index, 2);
    EXPECT_EQ(decoded.header->frameNumber, 12u);
    EXPECT_EQ(decoded.header->payloadOffset, 4080u);
    EXPECT_EQ(decoded.header->deviceId, 9u);
    EXPECT_EQ(decoded.header->tickClock, 135000000u);
    EXPECT_EQ(decoded.header->period, 39280u);
    EXPECT_EQ(decoded.header->word24, 1);
    EXPECT_EQ(decoded.header->word28, 1);
    EXPECT_TRUE(decoded.header->IsLast());
    EXPECT_EQ(decoded.header->PreviousFrameNumber(), 11u);
    ASSERT_EQ(decoded.items.size(), 5u);
    const auto& settings = ItemAt<FrameSettings>(decoded, 0);
    EXPECT_EQ(settings.threshold, 128);
    EXPECT_EQ(settings.minRatio, 3);
    EXPECT_EQ(settings.maxPixelsPerLine, 40);
    EXPECT_EQ(settings.greyFlags, 14u);
    const auto& line = ItemAt<GreyscaleLine>(decoded, 3);
    EXPECT_FALSE(line.blobWord) << "protocol-2 lines carry no blob word";
    EXPECT_EQ(line.x, 10);
    EXPECT_EQ(line.pixels, (Bytes{7, 8}));
    EXPECT_EQ(ItemAt<EdgePairItem>(decoded, 4).e0, 10);
}

TEST(CameraDatagram, PreviousFrameComesBackFromItsSixteenBitDifference)
{
    Header header;
    header.frameNumber = 5;
    header.previousDelta = 0xFFFE; // two frames were skipped backwards: 5 - 2
    EXPECT_EQ(
        DecodeWhole(CameraStream::Combined, HeaderBytes(header)).header->PreviousFrameNumber(), 3u);
    header.frameNumber = 1;
    header.previousDelta = 0xFFFD; // across the wrap of the 32-bit frame number
    EXPECT_EQ(
        DecodeWhole(CameraStream::Combined, HeaderBytes(header)).header->PreviousFrameNumber(),
        0xFFFFFFFEu);
}

TEST(CameraDatagram, EveryCutInsideAnItemIsRefusedAsTruncated)
{
    Header last;
    last.flags = 1;
    const struct
    {
        CameraStream stream;
        Bytes whole;
        std::vector<std::size_t> itemEnds;
    } cases[] = {
        {CameraStream::Centroid, Concat({Centroid(1, 2, 3, 4), Centroid(5, 6, 7, 8)}), {16, 32}},
        {CameraStream::Centroid, Concat({Track(1, 2, 3, 4), Track(5, 6, 7, 8)}), {16, 32}},
        {CameraStream::Centroid, TrailerBytes({}), {36}},
        {CameraStream::Greyscale, TrailerBytes({1}), {36}},
        {CameraStream::Greyscale,
         Concat({BlobLine(0x8001, 1, 2, {3, 4, 5}), EdgePair(1, 2, 3)}),
         {11, 19}},
        {CameraStream::Greyscale,
         Concat({EdgePair(1, 2, 3), BlobLine(0x8001, 1, 2, {3, 4})}),
         {8, 18}},
        {CameraStream::Combined,
         Concat({HeaderBytes(last), Settings(1, 2, 3, 4), Line(1, 2, {3, 4, 5}), Track(1, 2, 3, 4),
                 EdgePair(1, 2, 3), Centroid(1, 2, 3, 4)}),
         {32, 48, 59, 75, 83, 99}},
    };
    for (const auto& example : cases)
    {
        ASSERT_EQ(example.whole.size(), example.itemEnds.back());
        for (std::size_t size = 1; size <= example.whole.size(); ++size)
        {
            // Exactly the bytes of the cut, so that a read past them is a memory error.
            const Bytes cut = Prefix(example.whole, size);
            const DecodedCameraDatagram decoded = DecodeCameraDatagram(example.stream, cut);
            const bool atItemEnd =
                std::count(example.itemEnds.begin(), example.itemEnds.end(), size);
            EXPECT_EQ(decoded.Ok(), atItemEnd) << size << ": " << decoded.problem;
            if (!atItemEnd)
            {
                EXPECT_THAT(decoded.problem, HasSubstr("truncated")) << size;
            }
        }
    }
}

TEST(CameraDatagram, ALineStatingMorePixelsThanArriveIsRefused)
{
    Bytes line = BlobLine(0x8001, 1, 2, {3, 4, 5});
    line[6] = 200; // pixel count 200, three follow
    const DecodedCameraDatagram decoded = DecodeCameraDatagram(CameraStream::Greyscale, line);
    EXPECT_EQ(decoded.problem,
              "truncated greyscale line at byte 0: 200 pixels stated, 3 bytes left");
    EXPECT_TRUE(decoded.items.empty());
}

TEST(CameraDatagram, BreachesOfTheLayoutsAreNamed)
{
    Trailer shortLength;
    shortLength.length = 35;
    const struct
    {
        CameraStream stream;
        Bytes bytes;
        const char* problem;
    } cases[] = {
        {CameraStream::Centroid, {}, "empty datagram"},
        {CameraStream::Centroid, Concat({Centroid(1, 2, 3, 4), EdgePair(1, 2, 3)}),
         "unknown item type 0xC002 at byte 16"},
        {CameraStream::Centroid, Concat({Centroid(1, 2, 3, 4), Track(1, 2, 3, 4)}),
         "centroid and track items in one datagram"},
        {CameraStream::Centroid, TrailerBytes(shortLength),
         "frame trailer states length 35, not 36"},
        {CameraStream::Greyscale, Concat({TrailerBytes({}), EdgePair(1, 2, 3)}),
         "8 bytes after the frame trailer"},
        {CameraStream::Greyscale, Concat({EdgePair(1, 2, 3), BlobLine(0x7001, 1, 2, {})}),
         "neither a greyscale line nor an edge pair at byte 8: first word 0x7001"},
        {CameraStream::Combined, Centroids(0, 2),
         "datagram header expected at byte 0, found type word 0xC007"},
        {CameraStream::Combined, Concat({HeaderBytes({}), Settings(1, 2, 3, 4, 18)}),
         "frame settings item states length 18, not 16"},
        {CameraStream::Combined, Concat({HeaderBytes({}), BlobLine(0x8001, 1, 2, {})}),
         "unknown item type 0x8001 at byte 32"},
    };
    for (const auto& example : cases)
        EXPECT_EQ(DecodeCameraDatagram(example.stream, example.bytes).problem, example.problem);
}

TEST(CameraDatagram, StreamPortsLieAtTheirDistanceFromTheDataPort)
{
    EXPECT_EQ(CameraStreamPort(CameraStream::Centroid, 5000), 5000);
    EXPECT_EQ(CameraStreamPort(CameraStream::Greyscale, 5000), 6000);
    EXPECT_EQ(CameraStreamPort(CameraStream::Combined, 5000), 10000);
    EXPECT_EQ(CameraStreamPort(CameraStream::Combined, 60536), std::nullopt);
    EXPECT_EQ(CameraStreamPort(CameraStream::Combined, 60535), 65535);
}
