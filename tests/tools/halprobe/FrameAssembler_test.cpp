// Frames put together from datagrams of each stream, and the faults that spoil them.

#include "tests/tools/halprobe/CameraBytes.h"
#include "tools/halprobe/CameraFrameText.h"
#include "tools/halprobe/FrameAssembler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace HalProbe;
using namespace CameraBytes;
using testing::ElementsAre;
using testing::HasSubstr;

namespace
{
// Feeds datagrams to one stream's assembler as if they came from one camera socket.
class Stream
{
public:
    explicit Stream(CameraStream stream) : assembler_(FrameAssembler::For(stream)) {}

    std::vector<StreamEvent> Send(const Bytes& bytes, std::uint16_t senderPort = 40000)
    {
        return assembler_->Add({bytes, 0x7F000001, Clock::now(), senderPort});
    }

    // Sends all; the one event the last datagram gives, none before it.
    StreamEvent SendFrame(const std::vector<Bytes>& datagrams)
    {
        std::vector<StreamEvent> events;
        for (const Bytes& datagram : datagrams)
        {
            EXPECT_TRUE(events.empty()) << "an event before the frame's last datagram";
            events = Send(datagram);
        }
        EXPECT_EQ(events.size(), 1u);
        return events.empty() ? StreamEvent(StreamFault{}) : std::move(events.front());
    }

    std::vector<StreamFault> Flush() { return assembler_->Flush(); }

private:
    std::unique_ptr<FrameAssembler> assembler_;
};

CameraFrame FrameOf(const StreamEvent& event)
{
    if (const auto* fault = std::get_if<StreamFault>(&event))
        ADD_FAILURE() << StreamFaultText(*fault);
    const auto* frame = std::get_if<CameraFrame>(&event);
    return frame ? *frame : CameraFrame{};
}

std::string FaultOf(const StreamEvent& event)
{
    const auto* fault = std::get_if<StreamFault>(&event);
    if (!fault)
        return "no fault";
    return StreamFaultText(*fault);
}

Bytes CentroidTrailer(std::uint32_t payloadBytes, std::uint32_t centroidCount = 0)
{
    Trailer trailer;
    trailer.payloadBytes = payloadBytes;
    trailer.centroidCount = centroidCount;
    return TrailerBytes(trailer);
}

Bytes GreyscaleTrailer(std::uint32_t payloadBytes)
{
    Trailer trailer;
    trailer.streamKind = 1;
    trailer.payloadBytes = payloadBytes;
    trailer.threshold = 128;
    return TrailerBytes(trailer);
}

// The three datagrams of a SorrelMV camera (4096-byte packets) sending 300 centroids.
std::vector<Bytes> SorrelFrameOf300Centroids(std::uint32_t frameNumber = 12)
{
    Header header;
    header.frameNumber = frameNumber;
    const Bytes first = Concat({HeaderBytes(header), Settings(128, 0, 0, 8)});
    header.index = 1;
    header.payloadOffset = 16;
    const Bytes second = Concat({HeaderBytes(header), Centroids(0, 254)});
    header.index = 2;
    header.payloadOffset = 4080;
    header.flags = 1;
    const Bytes third = Concat({HeaderBytes(header), Centroids(254, 46)});
    return {first, second, third};
}

void ExpectCentroidsInOrder(const CameraFrame& frame, std::size_t count)
{
    ASSERT_EQ(frame.centroids.size(), count);
    for (std::size_t n = 0; n < count; ++n)
    {
        EXPECT_EQ(frame.centroids[n].rawX, std::int32_t(n * 256)) << n;
        EXPECT_EQ(frame.centroids[n].rawY, std::int32_t(n * 512)) << n;
    }
}
} // namespace

TEST(TrailerFrames, CentroidStreamOf200CentroidsEndsWithItsTrailer)
{
    Stream stream(CameraStream::Centroid);
    const CameraFrame frame = FrameOf(stream.SendFrame(
        {Centroids(0, 87), Centroids(87, 87), Centroids(174, 26), CentroidTrailer(3200, 200)}));
    EXPECT_EQ(frame.stream, CameraStream::Centroid);
    EXPECT_EQ(frame.deviceId, 7u);
    EXPECT_EQ(frame.frameNumber, 12u);
    EXPECT_EQ(frame.previousFrameNumber, 11u);
    ExpectCentroidsInOrder(frame, 200);
    EXPECT_THAT(frame.datagramSizes, ElementsAre(1392, 1392, 416, 36));
    EXPECT_EQ(frame.payloadBytes, 3200u);
    ASSERT_TRUE(frame.trailer);
    EXPECT_EQ(frame.trailer->centroidCount, 200u);
    EXPECT_EQ(frame.senderPort, 40000);
    EXPECT_EQ(frame.ItemCount(), 200u);
}

TEST(TrailerFrames, TracksFollowTheCentroidsInDatagramsOfTheirOwn)
{
    Stream stream(CameraStream::Centroid);
    const CameraFrame frame = FrameOf(
        stream.SendFrame({Centroids(0, 2), Concat({Track(0, 5, 100, 1), Track(1, 6, 200, 2)}),
                          CentroidTrailer(64)}));
    EXPECT_EQ(frame.centroids.size(), 2u);
    ASSERT_EQ(frame.tracks.size(), 2u);
    EXPECT_EQ(frame.tracks[1].value, 6);

    EXPECT_TRUE(stream.Send(Track(0, 5, 100, 1)).empty());
    const std::vector<StreamEvent> late = stream.Send(Centroids(0, 1));
    ASSERT_EQ(late.size(), 1u);
    EXPECT_THAT(FaultOf(late[0]), HasSubstr("centroid item after track items"));
    const std::vector<StreamEvent> end = stream.Send(CentroidTrailer(32));
    ASSERT_EQ(end.size(), 1u);
    EXPECT_EQ(FaultOf(end[0]), "centroid stream from 127.0.0.1:40000, camera 0x00000007 (7), "
                               "frame 12: frame dropped: an earlier datagram of it is faulty");
}

TEST(TrailerFrames, AnEmptyFrameIsItsTrailerOrAnEmptyDatagramAndTheTrailer)
{
    Stream centroids(CameraStream::Centroid);
    const CameraFrame empty = FrameOf(centroids.SendFrame({CentroidTrailer(0)}));
    EXPECT_EQ(empty.ItemCount(), 0u);
    EXPECT_THAT(empty.datagramSizes, ElementsAre(36));

    Stream greyscale(CameraStream::Greyscale);
    const CameraFrame grey = FrameOf(greyscale.SendFrame({{}, GreyscaleTrailer(0)}));
    EXPECT_EQ(grey.stream, CameraStream::Greyscale);
    EXPECT_THAT(grey.datagramSizes, ElementsAre(0, 36));
    EXPECT_EQ(grey.trailer->threshold, 128u);
}

TEST(TrailerFrames, GreyscaleLinesComeBeforeTheEdgePairs)
{
    Stream stream(CameraStream::Greyscale);
    const CameraFrame frame = FrameOf(
        stream.SendFrame({Concat({BlobLine(0xA000, 5, 10, {1, 2}), BlobLine(0x8001, 6, 0, {3})}),
                          Concat({EdgePair(5, 10, 1), EdgePair(6, 0, 2)}),
                          {},
                          GreyscaleTrailer(10 + 9 + 16)}));
    ASSERT_EQ(frame.lines.size(), 2u);
    EXPECT_EQ(frame.lines[0].pixels, (Bytes{1, 2}));
    EXPECT_TRUE(frame.lines[0].BlobFlagClear());
    EXPECT_EQ(frame.lines[1].BlobIndex(), 1);
    ASSERT_EQ(frame.edgePairs.size(), 2u);
    EXPECT_EQ(frame.edgePairs[1].e1, 6);
    EXPECT_THAT(frame.greyscaleOrder,
                ElementsAre(GreyscaleKind::Line, GreyscaleKind::Line, GreyscaleKind::EdgePair,
                            GreyscaleKind::EdgePair));

    const std::vector<StreamEvent> events =
        stream.Send(Concat({EdgePair(1, 2, 3), BlobLine(0x8000, 1, 1, {})}));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_THAT(FaultOf(events[0]), HasSubstr("greyscale line after edge pair items"));
}

TEST(TrailerFrames, ALostItemDatagramShowsInThePayloadCountAndSpoilsOnlyItsFrame)
{
    Stream stream(CameraStream::Centroid);
    // The second datagram of 87 centroids never arrived.
    EXPECT_THAT(FaultOf(stream.SendFrame(
                    {Centroids(0, 87), Centroids(174, 26), CentroidTrailer(3200, 200)})),
                HasSubstr("frame 12: trailer states 3200 payload bytes, 1808 arrived"));
    ExpectCentroidsInOrder(FrameOf(stream.SendFrame({Centroids(0, 3), CentroidTrailer(48)})), 3);
}

TEST(TrailerFrames, CamerasSharingThePortAreKeptApartBySender)
{
    Stream stream(CameraStream::Centroid);
    EXPECT_TRUE(stream.Send(Centroids(0, 2), 40001).empty());
    EXPECT_TRUE(stream.Send(Centroids(0, 5), 40002).empty());
    const std::vector<StreamEvent> first = stream.Send(CentroidTrailer(32), 40001);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(FrameOf(first[0]).centroids.size(), 2u);
    const std::vector<StreamEvent> second = stream.Send(CentroidTrailer(80), 40002);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(FrameOf(second[0]).senderPort, 40002);
}

TEST(TrailerFrames, TrailerOfTheOtherStreamAndStatusRecordsAreToldApart)
{
    Stream stream(CameraStream::Centroid);
    EXPECT_THAT(FaultOf(stream.SendFrame({GreyscaleTrailer(0)})),
                HasSubstr("trailer of stream kind 1 on the centroid stream"));
    const Bytes syncStatus = Writer().U16(3).U16(24).U16(1).U16(7).U32(7).U32(3).U64(0).Get();
    const StreamEvent record = stream.SendFrame({syncStatus});
    ASSERT_TRUE(std::holds_alternative<DataRecord>(record));
    EXPECT_TRUE(std::holds_alternative<SyncStatus>(std::get<DataRecord>(record).body));
}

TEST(TrailerFrames, FlushReportsAFrameWithoutItsTrailer)
{
    Stream stream(CameraStream::Greyscale);
    EXPECT_TRUE(stream.Send(EdgePair(1, 2, 3)).empty());
    const std::vector<StreamFault> faults = stream.Flush();
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_EQ(StreamFaultText(faults[0]),
              "greyscale stream from 127.0.0.1:40000: frame without its trailer");
    EXPECT_TRUE(stream.Flush().empty());
}

TEST(IndexedFrames, SorrelCameraWith300CentroidsSendsThreeDatagrams)
{
    Stream stream(CameraStream::Combined);
    const CameraFrame frame = FrameOf(stream.SendFrame(SorrelFrameOf300Centroids()));
    EXPECT_EQ(frame.stream, CameraStream::Combined);
    EXPECT_EQ(frame.deviceId, 9u);
    EXPECT_EQ(frame.frameNumber, 12u);
    EXPECT_EQ(frame.previousFrameNumber, 11u);
    EXPECT_THAT(frame.datagramSizes, ElementsAre(48, 4096, 768));
    ASSERT_EQ(frame.headers.size(), 3u);
    for (std::uint16_t index = 0; index < 3; ++index)
    {
        EXPECT_EQ(frame.headers[index].index, index);
        EXPECT_EQ(frame.headers[index].IsLast(), index == 2);
        EXPECT_EQ(frame.headers[index].period, 39280u);
    }
    EXPECT_EQ(frame.headers[1].payloadOffset, 16u);
    EXPECT_EQ(frame.headers[2].payloadOffset, 4080u);
    ExpectCentroidsInOrder(frame, 300);
    ASSERT_TRUE(frame.settings);
    EXPECT_EQ(frame.settings->greyFlags, 8u);
    EXPECT_FALSE(frame.arrivedOutOfOrder);
    EXPECT_FALSE(frame.trailer);
}

TEST(IndexedFrames, DatagramsArrivingInAnyOrderMakeTheSameFrame)
{
    const std::vector<Bytes> datagrams = SorrelFrameOf300Centroids();
    for (const std::vector<int>& order : {std::vector<int>{2, 0, 1}, {1, 2, 0}, {0, 2, 1}})
    {
        Stream stream(CameraStream::Combined);
        const CameraFrame frame = FrameOf(
            stream.SendFrame({datagrams[order[0]], datagrams[order[1]], datagrams[order[2]]}));
        ExpectCentroidsInOrder(frame, 300);
        EXPECT_THAT(frame.datagramSizes, ElementsAre(48, 4096, 768));
        EXPECT_TRUE(frame.arrivedOutOfOrder);
    }
}

TEST(IndexedFrames, AMissingDatagramIsReportedWhenTheNextFrameCompletes)
{
    Stream stream(CameraStream::Combined);
    const std::vector<Bytes> lost = SorrelFrameOf300Centroids(12);
    EXPECT_TRUE(stream.Send(lost[0]).empty());
    EXPECT_TRUE(stream.Send(lost[2]).empty());
    const std::vector<Bytes> next = SorrelFrameOf300Centroids(13);
    EXPECT_TRUE(stream.Send(next[0]).empty());
    EXPECT_TRUE(stream.Send(next[1]).empty());
    const std::vector<StreamEvent> events = stream.Send(next[2]);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(FaultOf(events[0]), "combined stream from 127.0.0.1:40000, camera 0x00000009 (9), "
                                  "frame 12: incomplete frame: missing datagram(s) 1");
    EXPECT_EQ(FrameOf(events[1]).frameNumber, 13u);
}

TEST(IndexedFrames, FlushReportsFramesThatNeverSawTheirLastDatagram)
{
    Stream stream(CameraStream::Combined);
    const std::vector<Bytes> datagrams = SorrelFrameOf300Centroids();
    EXPECT_TRUE(stream.Send(datagrams[1]).empty());
    const std::vector<StreamFault> faults = stream.Flush();
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_EQ(faults[0].what,
              "incomplete frame: missing datagram(s) 0; no last datagram after datagram 1");
    EXPECT_EQ(faults[0].deviceId, 9u);
    EXPECT_TRUE(stream.Flush().empty());
}

TEST(IndexedFrames, TooManyWaitingFramesGiveUpTheOldest)
{
    Stream stream(CameraStream::Combined);
    std::vector<StreamEvent> events;
    for (std::uint32_t frame = 0; frame <= 16 && events.empty(); ++frame)
        events = stream.Send(SorrelFrameOf300Centroids(frame)[0]);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_THAT(FaultOf(events[0]), HasSubstr("frame 0: incomplete frame: no last datagram"));
}

TEST(IndexedFrames, DuplicatesAndBrokenSequencesSpoilTheFrame)
{
    const std::vector<Bytes> good = SorrelFrameOf300Centroids();
    Header beyond;
    beyond.index = 3;
    beyond.payloadOffset = 4080 + 736;
    Header shifted;
    shifted.index = 1;
    shifted.payloadOffset = 20;
    Header otherPeriod;
    otherPeriod.index = 1;
    otherPeriod.payloadOffset = 16;
    otherPeriod.period = 1;
    const struct
    {
        std::vector<Bytes> datagrams;
        const char* fault;
        std::vector<Bytes> rest; // what the frame still lacks
    } cases[] = {
        {{good[0], good[0]}, "datagram 0 arrived twice", {good[1], good[2]}},
        {{good[2], HeaderBytes(beyond)},
         "datagram 3 after the last datagram 2",
         {good[0], good[1]}},
        {{Concat({HeaderBytes(shifted), Centroids(0, 254)}), good[0], good[2]},
         "datagram 1 states payload offset 20, 16 expected",
         {}},
        {{Concat({HeaderBytes(otherPeriod), Centroids(0, 254)}), good[0], good[2]},
         "datagram 1 states other clock, period or frame words than datagram 0",
         {}},
    };
    for (const auto& example : cases)
    {
        Stream stream(CameraStream::Combined);
        std::vector<StreamEvent> events;
        for (const Bytes& datagram : example.datagrams)
            for (StreamEvent& event : stream.Send(datagram))
                events.push_back(std::move(event));
        ASSERT_EQ(events.size(), 1u) << example.fault;
        EXPECT_THAT(FaultOf(events[0]), HasSubstr(example.fault));
        // A spoilt frame is dropped when it completes, without a second report.
        for (const Bytes& datagram : example.rest)
            EXPECT_TRUE(stream.Send(datagram).empty()) << example.fault;
        EXPECT_TRUE(stream.Flush().empty()) << example.fault;
    }
}

TEST(IndexedFrames, SettingsOpenEveryFrameOnce)
{
    Header last;
    last.flags = 1;
    const struct
    {
        Bytes datagram;
        const char* fault;
    } cases[] = {
        {Concat({HeaderBytes(last), Centroids(0, 1)}), "no frame settings item"},
        {Concat({HeaderBytes(last), Centroids(0, 1), Settings(1, 2, 3, 4)}),
         "frame settings item after centroid items"},
        {Concat({HeaderBytes(last), Settings(1, 2, 3, 4), Settings(1, 2, 3, 4)}),
         "a second frame settings item"},
        {Concat({HeaderBytes(last), Settings(1, 2, 3, 4), Line(1, 1, {}), Centroids(0, 1)}),
         "centroid item after greyscale lines"},
    };
    for (const auto& example : cases)
        EXPECT_THAT(FaultOf(Stream(CameraStream::Combined).SendFrame({example.datagram})),
                    HasSubstr(example.fault));
}

TEST(IndexedFrames, LinesAndEdgePairsKeepTheirSortedOrder)
{
    Header last;
    last.flags = 1;
    // An edge pair at e0 10, e1 5 sorts before a line at x 10, y 5, which sorts before a
    // line at x 0, y 6.
    const CameraFrame frame = FrameOf(
        Stream(CameraStream::Combined)
            .SendFrame({Concat({HeaderBytes(last), Settings(1, 2, 3, 14), EdgePair(5, 10, 0),
                                Line(5, 10, {1}), Line(6, 0, {2, 3})})}));
    EXPECT_THAT(frame.greyscaleOrder,
                ElementsAre(GreyscaleKind::EdgePair, GreyscaleKind::Line, GreyscaleKind::Line));
    ASSERT_EQ(frame.lines.size(), 2u);
    EXPECT_EQ(frame.lines[1].y, 6);
    EXPECT_EQ(frame.payloadBytes, 16u + 8 + 9 + 10);
}

TEST(CameraFrameText, AFrameInFullHasOneLinePerItem)
{
    Stream stream(CameraStream::Greyscale);
    const CameraFrame frame = FrameOf(stream.SendFrame(
        {Concat({BlobLine(0xA003, 5, 10, {1, 2}), EdgePair(5, 10, 7)}), GreyscaleTrailer(18)}));
    EXPECT_THAT(CameraFrameLines(frame),
                ElementsAre("camera 0x00000007 (7) greyscale stream, frame 12 (previous 11): "
                            "0 centroids, 0 tracks, 1 lines, 1 edge pairs in 2 datagrams",
                            "  trailer: stream kind 1, version 2, payload 18 bytes, centroid "
                            "count 0, threshold 128, flags 0x00000000",
                            "  line 0: blob 3 (word 0xA003, flag bit 0 clear), y 5, x 10, "
                            "2 pixels: 01 02",
                            "  edge pair 0: e0 10, e1 5, e2 7"));
}
