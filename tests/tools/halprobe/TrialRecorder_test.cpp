// The recordings halprobe listen makes: what the recorder is fed comes back from our own
// readers as it was sent, camera streams of both protocols and analogue samples, and the
// file is written while recording, not held until the end.

#include "tests/support/TempDirectory.h"
#include "tools/halprobe/TrialRecorder.h"

#include "FileIO/AnalogueBlockFrame.h"
#include "FileIO/X1DImport.h"
#include "FileIO/X2DIO/X2DImport.h"

#include <gtest/gtest.h>

using namespace HalProbe;

namespace
{
constexpr std::uint32_t kSeparateStreamsCamera = 1001;
constexpr std::uint32_t kCombinedStreamCamera = 2002;
constexpr std::uint32_t kBox = 0x02000001;

CameraFrame MakeFrame(CameraStream stream, std::uint32_t camera, std::uint32_t number)
{
    CameraFrame frame;
    frame.stream = stream;
    frame.deviceId = camera;
    frame.frameNumber = number;
    return frame;
}

GreyscaleLine MakeLine(std::optional<std::uint16_t> blobWord, std::uint16_t y, std::uint16_t x,
                       std::vector<std::uint8_t> pixels)
{
    GreyscaleLine line;
    line.blobWord = blobWord;
    line.y = y;
    line.x = x;
    line.pixels = std::move(pixels);
    return line;
}

// Centroids and tracks on the centroid stream; two blobs (the second with its flag bit clear)
// and an edge pair on the greyscale stream. Values differ from frame to frame.
void AddSeparateStreamsFrame(X2DRecorder& recorder, std::uint32_t number)
{
    CameraFrame centroids = MakeFrame(CameraStream::Centroid, kSeparateStreamsCamera, number);
    centroids.centroids = {{200, std::int32_t(number * 256 + 1), 77, 640},
                           {255, 5, std::int32_t(number), 3}};
    centroids.tracks = {{0, std::uint16_t(number), 65535, 0x8000000000000001ull}};
    CameraFrame greyscale = MakeFrame(CameraStream::Greyscale, kSeparateStreamsCamera, number);
    greyscale.lines = {MakeLine(0x8000, 10, 20, {1, 2, 3}), MakeLine(0x8000, 11, 20, {4}),
                       MakeLine(0x8000 | 0x2000 | 1, 30, std::uint16_t(number), {9, 9})};
    greyscale.edgePairs = {{1, 2, 3}};
    recorder.Add(centroids);
    recorder.Add(greyscale);
}

void AddCombinedStreamFrame(X2DRecorder& recorder, std::uint32_t number)
{
    CameraFrame frame = MakeFrame(CameraStream::Combined, kCombinedStreamCamera, number);
    frame.centroids = {{128, 1000, 2000, 300}};
    frame.lines = {MakeLine(std::nullopt, 5, 6, {7, 8}), MakeLine(std::nullopt, 5, 9, {1})};
    frame.edgePairs = {{std::uint16_t(number), 5, 6}};
    recorder.Add(frame);
}

struct ReadFrame
{
    X2DIO::CentroidSetList centroids;
    X2DIO::CentroidTrackSetList tracks;
    X2DIO::GreyscaleBlobSetList blobs;
    X2DIO::EdgePairSetList edgePairs;
};

ReadFrame Read(X2DIO::VX2DImport& reader, std::int32_t index)
{
    ReadFrame frame;
    for (std::uint32_t camera = 0; camera < reader.GetNumberOfCameras(); ++camera)
    {
        frame.centroids.push_back(std::make_shared<X2DIO::CentroidSet>());
        frame.tracks.push_back(std::make_shared<X2DIO::CentroidTrackSet>());
        frame.blobs.push_back(std::make_shared<X2DIO::GreyscaleBlobSet>());
        frame.edgePairs.push_back(std::make_shared<X2DIO::EdgePairSet>());
    }
    EXPECT_TRUE(
        reader.ReadFrame(index, &frame.centroids, &frame.tracks, &frame.blobs, &frame.edgePairs));
    return frame;
}

std::vector<std::int32_t> CameraIdentifiers(const X2DIO::VX2DImport& reader)
{
    std::vector<X2DIO::CameraInfo> cameras;
    reader.GetCameraInfos(cameras);
    std::vector<std::int32_t> identifiers;
    for (const X2DIO::CameraInfo& camera : cameras)
        identifiers.push_back(camera.identifier);
    return identifiers;
}
} // namespace

TEST(X2DRecorder, EveryKindOfItemOfBothProtocolsReadsBackAsSent)
{
    BriselTest::TempDirectory directory;
    const std::string path = directory.Path("recorded.x2d");
    {
        X2DRecorder recorder(path);
        // The combined-stream camera is heard first; the file lists cameras by identifier.
        for (std::uint32_t number = 100; number < 140; ++number)
        {
            if (number != 110) // lost
                AddCombinedStreamFrame(recorder, number);
            AddSeparateStreamsFrame(recorder, number);
        }
    }
    X2DIO::VX2DImport reader;
    ASSERT_TRUE(reader.Open(path, false));
    EXPECT_EQ(CameraIdentifiers(reader), (std::vector<std::int32_t>{1001, 2002}));
    std::vector<std::int32_t> numbers;
    reader.GetFrameNumbers(numbers);
    ASSERT_EQ(numbers.size(), 40u);
    for (std::int32_t index = 0; index < 40; ++index)
    {
        SCOPED_TRACE("frame " + std::to_string(numbers[std::size_t(index)]));
        const auto number = std::uint32_t(100 + index);
        EXPECT_EQ(numbers[std::size_t(index)], std::int32_t(number));
        const ReadFrame frame = Read(reader, index);
        EXPECT_EQ(frame.centroids[0]->centroids,
                  (std::vector<X2DIO::Centroid>{
                      {number + 1 / 256.0, 77 / 256.0, 640 / 256.0, 200 / 256.0f},
                      {5 / 256.0, number / 256.0, 3 / 256.0, 255 / 256.0f}}));
        EXPECT_EQ(frame.tracks[0]->tracks,
                  (std::vector<X2DIO::CentroidTrack>{
                      {std::int64_t(0x8000000000000001ull), 1.0f, std::int32_t(number)}}));
        EXPECT_EQ(frame.blobs[0]->blobs, (std::vector<X2DIO::GreyscaleBlob>{{0, 2, 1}, {2, 1, 0}}));
        EXPECT_EQ(frame.blobs[0]->lines,
                  (std::vector<X2DIO::GreyscaleLine>{
                      {20, 10, 3, 0}, {20, 11, 1, 3}, {std::uint16_t(number), 30, 2, 4}}));
        EXPECT_EQ(frame.blobs[0]->pixels, (std::vector<std::uint8_t>{1, 2, 3, 4, 9, 9}));
        EXPECT_EQ(frame.edgePairs[0]->edgePairs, (std::vector<X2DIO::EdgePair>{{1, 2, 3}}));
        if (number == 110)
        {
            EXPECT_TRUE(frame.centroids[1]->centroids.empty());
            continue;
        }
        EXPECT_EQ(frame.centroids[1]->centroids,
                  (std::vector<X2DIO::Centroid>{
                      {1000 / 256.0, 2000 / 256.0, 300 / 256.0, 128 / 256.0f}}));
        EXPECT_EQ(frame.blobs[1]->lines,
                  (std::vector<X2DIO::GreyscaleLine>{{6, 5, 2, 0}, {9, 5, 1, 2}}));
        EXPECT_EQ(frame.edgePairs[1]->edgePairs,
                  (std::vector<X2DIO::EdgePair>{{std::uint16_t(number), 5, 6}}));
    }
}

TEST(X2DRecorder, FramesAreWrittenAsTheyCompleteAndLateOnesAreCounted)
{
    BriselTest::TempDirectory directory;
    X2DRecorder recorder(directory.Path("recorded.x2d"));
    for (std::uint32_t number = 1; number <= 100; ++number)
        AddCombinedStreamFrame(recorder, number);
    // All but the window of newest frames are on their way to the file already.
    EXPECT_EQ(recorder.Summary().frames, 100u - X2DRecorder::kWindowFrames);
    AddSeparateStreamsFrame(recorder, 101); // a camera first heard now
    AddCombinedStreamFrame(recorder, 80);   // written already
    ASSERT_TRUE(recorder.Finish());
    EXPECT_EQ(recorder.Summary().frames, 100u);
    EXPECT_EQ(recorder.Summary().devices, (std::vector<std::uint32_t>{kCombinedStreamCamera}));
    EXPECT_EQ(recorder.Summary().leftOut,
              (std::map<std::uint32_t, std::size_t>{{kSeparateStreamsCamera, 2}}));
    EXPECT_EQ(recorder.Summary().lateParts, 1u);
}

// A frame one camera lost on the way is kept (its part empty); the frames at the end that the
// stop cut short, before every camera had sent them, are left out and counted.
TEST(X2DRecorder, FramesTheStopCutShortAreLeftOutButLostPartsAreKept)
{
    BriselTest::TempDirectory directory;
    X2DRecorder recorder(directory.Path("recorded.x2d"));
    for (std::uint32_t number = 1; number <= 40; ++number)
    {
        AddCombinedStreamFrame(recorder, number);
        if (number != 20 && number < 39)
            AddSeparateStreamsFrame(recorder, number);
    }
    ASSERT_TRUE(recorder.Finish());
    EXPECT_EQ(recorder.Summary().frames, 38u);
    EXPECT_EQ(recorder.Summary().cutShort, 2u);
    EXPECT_EQ(recorder.Summary().devices.size(), 2u);
}

TEST(X2DRecorder, FrameNumbersSetBackStartAFreshRunInTheFile)
{
    BriselTest::TempDirectory directory;
    const std::string path = directory.Path("recorded.x2d");
    {
        X2DRecorder recorder(path);
        for (std::uint32_t number = 500; number < 540; ++number)
            AddCombinedStreamFrame(recorder, number);
        for (std::uint32_t number = 0; number < 5; ++number)
            AddCombinedStreamFrame(recorder, number);
    }
    X2DIO::VX2DImport reader;
    ASSERT_TRUE(reader.Open(path, false));
    std::vector<std::int32_t> numbers;
    reader.GetFrameNumbers(numbers);
    ASSERT_EQ(numbers.size(), 45u);
    EXPECT_EQ(numbers[39], 539);
    EXPECT_EQ(numbers[40], 0);
}

TEST(X2DRecorder, ARecordingOfNothingIsAReadableEmptyFile)
{
    BriselTest::TempDirectory directory;
    const std::string path = directory.Path("recorded.x2d");
    X2DRecorder(path).Finish();
    X2DIO::VX2DImport reader;
    ASSERT_TRUE(reader.Open(path, true));
    EXPECT_EQ(reader.GetNumberOfCameras(), 0u);
}

TEST(X2DRecorder, AFileThatCannotBeWrittenIsReported)
{
    TrialRecorder recorder(std::string("/nonexistent/folder/recorded.x2d"), std::nullopt);
    const std::vector<RecordingReport> reports = recorder.Finish();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(reports[0].written);
    EXPECT_EQ(reports[0].text, "cannot write '/nonexistent/folder/recorded.x2d'");
}

namespace
{
// Channels 0 and 3 enabled, `samples` samples per channel, sample-major on the wire.
AnalogueFrame MakeAnalogueFrame(std::uint32_t number, std::uint16_t samples, std::uint64_t mask)
{
    AnalogueFrame frame;
    frame.record.deviceId = kBox;
    frame.record.frameNumber = number;
    frame.record.samplesPerChannel = samples;
    frame.record.channelMask = mask;
    frame.record.channelCount = std::uint16_t(frame.record.Channels().size());
    for (std::uint16_t sample = 0; sample < samples; ++sample)
        for (std::uint16_t channel = 0; channel < frame.record.channelCount; ++channel)
            frame.values.push_back(std::uint16_t(number * 1000 + channel * 100 + sample));
    return frame;
}

std::vector<std::uint16_t> BlockValues(const VAnalogueBlockFrame& frame)
{
    const VAnalogueBlockView block = frame.GetSet(0).GetBlock(0);
    std::vector<std::uint16_t> values;
    for (std::uint32_t at = 0; at + 1 < block.size; at += 2)
        values.push_back(std::uint16_t(block.data[at] | block.data[at + 1] << 8));
    return values;
}
} // namespace

TEST(X1DRecorder, SamplesReadBackChannelByChannelAndChangedChannelsAreLeftOut)
{
    BriselTest::TempDirectory directory;
    const std::string path = directory.Path("recorded.x1d");
    {
        X1DRecorder recorder(path);
        for (std::uint32_t number = 7; number < 37; ++number)
            recorder.Add(MakeAnalogueFrame(number, 3, 0b1001));
        recorder.Add(MakeAnalogueFrame(37, 3, 0b1011));
        ASSERT_TRUE(recorder.Finish());
        EXPECT_EQ(recorder.ChangedChannelFrames(), 1u);
    }
    VX1DImport reader;
    ASSERT_TRUE(reader.Open(path));
    VAnalogueSourceSetHeader header;
    reader.GetAnalogueSourceSetHeader(header);
    ASSERT_EQ(header.GetSourceSets().size(), 1u);
    EXPECT_EQ(header.GetSourceSets()[0].identifier, std::int32_t(kBox));
    EXPECT_EQ(header.GetSourceSets()[0].sources, (std::vector<VAnalogueSourceSpec>{{1}, {4}}));
    ASSERT_EQ(reader.GetNumberOfFrames(), 30);
    VAnalogueBlockFrame frame;
    ASSERT_TRUE(reader.ReadFrame(5, frame));
    EXPECT_EQ(reader.GetFrameNumber(5), 12);
    EXPECT_EQ(BlockValues(frame),
              (std::vector<std::uint16_t>{12000, 12001, 12002, 12100, 12101, 12102}));
}

// The recorder writes on a thread of its own: whatever is handed to it before Finish() is in
// the files, in order, and the reports count it.
TEST(TrialRecorder, EverythingAddedBeforeFinishIsWrittenByItsWriterThread)
{
    BriselTest::TempDirectory directory;
    const std::string x2d = directory.Path("recorded.x2d"), x1d = directory.Path("recorded.x1d");
    constexpr std::uint32_t kFrames = 3000;
    TrialRecorder recorder(x2d, x1d);
    for (std::uint32_t number = 1; number <= kFrames; ++number)
    {
        CameraFrame frame = MakeFrame(CameraStream::Combined, kCombinedStreamCamera, number);
        frame.centroids = {{128, std::int32_t(number), 2, 3}};
        recorder.OnCameraFrame(frame);
        recorder.OnAnalogueFrame(MakeAnalogueFrame(number % 60, 2, 0b1));
    }
    const std::vector<RecordingReport> reports = recorder.Finish();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].text, "recorded 3000 frames of 1 cameras into '" + x2d + "'");
    EXPECT_TRUE(reports[1].written) << reports[1].text;

    X2DIO::VX2DImport reader;
    ASSERT_TRUE(reader.Open(x2d, false));
    std::vector<std::int32_t> numbers;
    reader.GetFrameNumbers(numbers);
    ASSERT_EQ(numbers.size(), kFrames);
    for (const std::int32_t index : {0, 1499, 2999})
    {
        EXPECT_EQ(numbers[std::size_t(index)], index + 1);
        EXPECT_EQ(Read(reader, index).centroids[0]->centroids.at(0).x, (index + 1) / 256.0);
    }
}
