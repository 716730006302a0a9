// The camera streams on real sockets: what the HAL receives, datagram by datagram and byte
// by byte, for each protocol.

#include "devices/camera/CameraStreams.h"
#include "net/AsioUdpSocket.h"
#include "net/ByteOrder.h"
#include "tests/support/UdpTestSocket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

using namespace CameraPackets;
using namespace CameraStreams;
using namespace std::chrono_literals;
using BriselTest::U16;
using BriselTest::U32;
using Datagram = std::vector<std::uint8_t>;

namespace
{
constexpr std::uint16_t kPort = 6000;

std::vector<X2DIO::Centroid> Centroids(std::size_t count)
{
    std::vector<X2DIO::Centroid> centroids;
    for (std::size_t i = 0; i < count; ++i)
        centroids.push_back({1.5 + double(i), 2.25, 3.0, 0.5f});
    return centroids;
}

// A greyscale line of `pixels` pixels at (x, y) in a blob of its own.
void AddBlob(X2DIO::GreyscaleBlobSet& blobs, std::uint16_t x, std::uint16_t y, std::uint16_t pixels,
             std::uint16_t flags)
{
    blobs.blobs.push_back({static_cast<std::uint32_t>(blobs.lines.size()), 1, flags});
    blobs.lines.push_back({x, y, pixels, static_cast<std::uint32_t>(blobs.pixels.size())});
    for (std::uint16_t i = 0; i < pixels; ++i)
        blobs.pixels.push_back(static_cast<std::uint8_t>(i + 1));
}

class CameraStreamsTest : public testing::Test
{
protected:
    CameraStreamsTest()
    {
        socket_.OpenForSending(::inet_addr("127.0.0.1"), ::inet_addr("127.0.0.2"), kPort);
    }

    // Every datagram that has arrived; the streams send synchronously, so they are queued.
    std::vector<Datagram> Received()
    {
        std::vector<Datagram> datagrams;
        while (auto datagram = hal_.Receive(100ms))
            datagrams.push_back(*datagram);
        return datagrams;
    }

    boost::asio::io_context io_;
    BriselTest::UdpTestSocket hal_{"127.0.0.2", kPort};
    VDataOutSocket socket_{io_};
    const FrameIds ids_{7, 11, 10};
};
} // namespace

TEST_F(CameraStreamsTest, Protocol1CentroidsGoEightySevenToADatagramThenTheTrailer)
{
    VCentroidStream stream(socket_);
    const std::vector<TrackItem> tracks = {{0, 3, 0.5f, 0x8000000000000001ULL}};
    EXPECT_EQ(stream.Send(ids_, Centroids(200), tracks, kTrailerFlagTracking, true),
              201u * 16 + 36);
    const std::vector<Datagram> datagrams = Received();
    ASSERT_EQ(datagrams.size(), 5u);
    EXPECT_EQ(datagrams[0].size(), 1392u);
    EXPECT_EQ(datagrams[1].size(), 1392u);
    EXPECT_EQ(datagrams[2].size(), 416u);
    EXPECT_EQ(datagrams[3].size(), 16u) << "tracks in a datagram of their own";
    const Datagram& centroid = datagrams[0];
    EXPECT_EQ(U16(centroid, 0), 0xC007);
    EXPECT_EQ(U16(centroid, 2), 128) << "quality 0.5";
    EXPECT_EQ(U32(centroid, 4), 384u) << "x 1.5";
    EXPECT_EQ(U32(centroid, 8), 576u) << "y 2.25";
    EXPECT_EQ(U32(centroid, 12), 768u);
    const Datagram& track = datagrams[3];
    EXPECT_EQ(U16(track, 0), 0xC006);
    EXPECT_EQ(U16(track, 4), 3);
    EXPECT_EQ(U16(track, 6), 32767) << "weight 0.5 of 65535, truncated";
    EXPECT_EQ(U32(track, 12), 0x80000000u);
    const Datagram& trailer = datagrams[4];
    ASSERT_EQ(trailer.size(), 36u);
    EXPECT_EQ(U16(trailer, 0), 0xC001);
    EXPECT_EQ(U16(trailer, 2), 36);
    EXPECT_EQ(U16(trailer, 4), 2);
    EXPECT_EQ(U16(trailer, 6), 0) << "centroid stream";
    EXPECT_EQ(U32(trailer, 8), 7u);
    EXPECT_EQ(U32(trailer, 12), 11u);
    EXPECT_EQ(U32(trailer, 16), 3216u) << "payload";
    EXPECT_EQ(U32(trailer, 20), 200u) << "centroid count";
    EXPECT_EQ(U32(trailer, 28), 10u);
    EXPECT_EQ(U32(trailer, 32), 8u) << "tracking";
}

TEST_F(CameraStreamsTest, Protocol1FrameWithoutDataStillEndsWithItsTrailers)
{
    VCentroidStream centroids(socket_);
    EXPECT_EQ(centroids.Send(ids_, {}, {}, 0, true), 36u);
    VGreyscaleStream greyscale(socket_);
    EXPECT_EQ(greyscale.Send(ids_, nullptr, nullptr, EncodingMode::kAll, EncodingMode::kAll, 99),
              36u);
    const std::vector<Datagram> datagrams = Received();
    ASSERT_EQ(datagrams.size(), 3u);
    EXPECT_EQ(U32(datagrams[0], 16), 0u);
    EXPECT_TRUE(datagrams[1].empty()) << "the greyscale stream's empty datagram";
    EXPECT_EQ(U16(datagrams[2], 6), 1) << "greyscale stream";
    EXPECT_EQ(U32(datagrams[2], 16), 0u);
    EXPECT_EQ(U32(datagrams[2], 24), 99u) << "threshold";
}

TEST_F(CameraStreamsTest, Protocol1GreyscaleLinesCarryTheirBlobWordAndEdgePairsFollow)
{
    X2DIO::GreyscaleBlobSet blobs;
    AddBlob(blobs, 10, 20, 3, 0);
    AddBlob(blobs, 30, 40, 2, 1);
    AddBlob(blobs, 0, 0, 1393, 0); // larger than any datagram can hold: left out
    X2DIO::EdgePairSet edges;
    edges.edgePairs.push_back({1, 2, 3});
    VGreyscaleStream stream(socket_);
    stream.Send(ids_, &blobs, &edges, EncodingMode::kSome, EncodingMode::kAll, 128);
    const std::vector<Datagram> datagrams = Received();
    ASSERT_EQ(datagrams.size(), 2u);
    const Datagram& items = datagrams[0];
    ASSERT_EQ(items.size(), 11u + 10u + 8u);
    EXPECT_EQ(U16(items, 0), 0x8000 | 0x2000) << "blob 0, flag bit 0 clear";
    EXPECT_EQ(U16(items, 2), 20);
    EXPECT_EQ(U16(items, 4), 10);
    EXPECT_EQ(U16(items, 6), 3);
    EXPECT_EQ(items[8], 1);
    EXPECT_EQ(U16(items, 11), 0x8001) << "blob 1 with flag bit 0 set: sent, without 0x2000";
    EXPECT_EQ(U16(items, 21), 0xC002);
    EXPECT_EQ(U16(items, 23), 2) << "e1 first";
    EXPECT_EQ(U16(items, 25), 1);
    EXPECT_EQ(U16(items, 27), 3);
    EXPECT_EQ(U32(datagrams[1], 16), 29u) << "payload of what was sent";
}

TEST_F(CameraStreamsTest, Protocol2FramesSplitAtThePacketSizeWithContiguousOffsets)
{
    VCombinedStream stream(socket_, 4096);
    const std::vector<X2DIO::Centroid> centroids = Centroids(300);
    CombinedFrame frame;
    frame.centroids = &centroids;
    const DatagramHeader header{11, 7, FramePeriodTicks(100.0), 10};
    EXPECT_EQ(stream.Send(header, {128, 3, 4, EncodingMode::kAll}, frame), 48u + 4096u + 768u);
    const std::vector<Datagram> datagrams = Received();
    ASSERT_EQ(datagrams.size(), 3u);
    const std::size_t sizes[] = {48, 4096, 768};
    const std::uint32_t offsets[] = {0, 16, 4080};
    for (std::uint16_t i = 0; i < 3; ++i)
    {
        const Datagram& d = datagrams[i];
        ASSERT_EQ(d.size(), sizes[i]);
        EXPECT_EQ(U16(d, 0), 0xC009);
        EXPECT_EQ(U16(d, 2), i) << "datagram index";
        EXPECT_EQ(U32(d, 4), 11u);
        EXPECT_EQ(U32(d, 8), offsets[i]);
        EXPECT_EQ(U32(d, 12), 7u);
        EXPECT_EQ(U32(d, 16), 135000000u);
        EXPECT_EQ(U32(d, 20), 39280u) << "1350000 ticks, low 16 bits";
        EXPECT_EQ(U16(d, 26), 0xFFFF) << "P - C";
        EXPECT_EQ(U16(d, 30), i == 2 ? 1 : 0) << "last-datagram flag";
    }
    const Datagram& first = datagrams[0];
    EXPECT_EQ(U16(first, 32), 0xE001);
    EXPECT_EQ(U16(first, 34), 16);
    EXPECT_EQ(U16(first, 36), 128);
    EXPECT_EQ(U16(first, 38), 3);
    EXPECT_EQ(U16(first, 40), 4);
    EXPECT_EQ(U32(first, 44), 14u) << "grey flags of \"all\"";
    EXPECT_EQ(U16(datagrams[1], 32), 0xC007);
}

TEST_F(CameraStreamsTest, Protocol2SortsLinesAndEdgePairsByRowThenColumn)
{
    X2DIO::GreyscaleBlobSet blobs;
    AddBlob(blobs, 0, 6, 1, 0);
    AddBlob(blobs, 10, 5, 1, 0);
    AddBlob(blobs, 2, 2, 1, 1); // flag bit 0 set: left out with "some"
    X2DIO::EdgePairSet edges;
    edges.edgePairs.push_back({10, 5, 9}); // e0 10, e1 5: just before the line at (10, 5)
    CombinedFrame frame;
    frame.blobs = &blobs;
    frame.edgePairs = &edges;
    frame.greyMode = EncodingMode::kSome;
    VCombinedStream stream(socket_, 1460);
    stream.Send({11, 7, 0, 10}, {0, 0, 0, EncodingMode::kSome}, frame);
    const std::vector<Datagram> datagrams = Received();
    ASSERT_EQ(datagrams.size(), 1u);
    const Datagram& d = datagrams[0];
    ASSERT_EQ(d.size(), 32u + 16u + 8u + 9u + 9u);
    EXPECT_EQ(U32(d, 44), 10u) << "grey flags of \"some\"";
    EXPECT_EQ(U16(d, 48), 0xC002);
    EXPECT_EQ(U16(d, 56), 0xC008);
    EXPECT_EQ(U16(d, 58), 5) << "y";
    EXPECT_EQ(U16(d, 60), 10) << "x";
    EXPECT_EQ(U16(d, 65), 0xC008);
    EXPECT_EQ(U16(d, 67), 6);
}

TEST(CameraPackets, GreyFlagsAndFramePeriod)
{
    EXPECT_EQ(GreyFlags(EncodingMode::kAll), 14u);
    EXPECT_EQ(GreyFlags(EncodingMode::kSome), 10u);
    EXPECT_EQ(GreyFlags(EncodingMode::kOnly), 2u);
    EXPECT_EQ(GreyFlags(EncodingMode::kNone), 8u);
    EXPECT_EQ(FramePeriodTicks(100.0), 1350000u);
    EXPECT_EQ(FramePeriodTicks(0.0), 0u) << "no rate, no period";
    EXPECT_EQ(FramePeriodTicks(-5.0), 0u);
}

TEST(CameraPackets, FixedPointTruncatesTowardZeroAndStaysInItsField)
{
    std::uint8_t item[16];
    WriteCentroid(item, {-1.7, 1e12, std::numeric_limits<double>::quiet_NaN(), 2.0f});
    EXPECT_EQ(static_cast<std::int32_t>(ByteOrder::LoadLittleEndian32(item + 4)), -435);
    EXPECT_EQ(ByteOrder::LoadLittleEndian32(item + 8), 0x7FFFFFFFu) << "held at the largest";
    EXPECT_EQ(ByteOrder::LoadLittleEndian32(item + 12), 0u) << "not a number";
    EXPECT_EQ(ByteOrder::LoadLittleEndian16(item + 2), 512);
}

// The 16-bit counters of the wire formats bound a frame: what they cannot name is left out,
// never sent under a wrapped number.
TEST_F(CameraStreamsTest, ItemsBeyondWhatTheCountersCanNameAreLeftOut)
{
    X2DIO::GreyscaleBlobSet blobs;
    for (int i = 0; i < 0x2001; ++i)
        AddBlob(blobs, 1, 1, 1, 0);
    VGreyscaleStream greyscale(socket_);
    greyscale.Send(ids_, &blobs, nullptr, EncodingMode::kAll, EncodingMode::kNone, 0);
    const std::vector<Datagram> datagrams = Received();
    ASSERT_FALSE(datagrams.empty());
    EXPECT_EQ(U32(datagrams.back(), 16), 0x2000u * 9) << "blob indices stop at 0x1FFF";

    // One centroid to a datagram: a frame of more than 65536 datagrams cannot be counted.
    VCombinedStream combined(socket_, 48);
    const std::vector<X2DIO::Centroid> centroids = Centroids(70000);
    CombinedFrame frame;
    frame.centroids = &centroids;
    EXPECT_EQ(combined.Send({11, 7, 0, 10}, {}, frame), 65536u * 48);
}
