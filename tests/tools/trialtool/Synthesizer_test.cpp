// The synthetic recordings, read back with the project's own readers.

#include "tools/trialtool/X1DSynthesizer.h"
#include "tools/trialtool/X2DSynthesizer.h"

#include "FileIO/X1DImport.h"
#include "FileIO/X2DIO/X2DImport.h"
#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace TrialTool;

namespace
{
class SynthesizerTest : public testing::Test
{
protected:
    BriselTest::TempDirectory dir_;
};

std::int16_t LittleEndianValue(const VAnalogueBlockView& block, std::size_t index)
{
    return std::int16_t(block.data[2 * index] | (block.data[2 * index + 1] << 8));
}

template <typename Result> std::vector<std::shared_ptr<Result>> Entries(std::size_t count)
{
    std::vector<std::shared_ptr<Result>> list;
    for (std::size_t i = 0; i < count; ++i)
        list.push_back(std::make_shared<Result>());
    return list;
}
} // namespace

TEST_F(SynthesizerTest, AnalogueChannelsAreSinesThatRunOnAcrossFrames)
{
    X1DSynthesisOptions options;
    options.devices = 2;
    options.channels = 3;
    options.samples = 20;
    options.frames = 5;
    ASSERT_TRUE(X1DSynthesizer(options).Write(dir_.Path("sine.x1d")));
    VX1DImport reader;
    ASSERT_TRUE(reader.Open(dir_.Path("sine.x1d")));
    std::vector<std::int32_t> numbers;
    reader.GetFrameNumbers(numbers);
    EXPECT_EQ(numbers, (std::vector<std::int32_t>{1, 2, 3, 4, 5}));

    // Blocks are channel-major and channel c completes c + 1 cycles in 100 frames, so each
    // channel starts at 0 and rises faster than the one before it.
    VAnalogueBlockFrame frame;
    ASSERT_TRUE(reader.ReadFrameByNumber(1, frame));
    ASSERT_EQ(frame.GetCount(), 2u);
    const VAnalogueBlockView first = frame.GetSet(1).GetBlock(0);
    ASSERT_EQ(first.size, 3u * 20 * 2);
    EXPECT_EQ(LittleEndianValue(first, 0), 0);
    EXPECT_EQ(LittleEndianValue(first, 20), 0);
    EXPECT_GT(LittleEndianValue(first, 20 + 1), LittleEndianValue(first, 1));
    EXPECT_GT(LittleEndianValue(first, 40 + 1), LittleEndianValue(first, 20 + 1));

    // The next frame continues where this one stopped, channel by channel.
    VAnalogueBlockFrame next;
    ASSERT_TRUE(reader.ReadFrameByNumber(2, next));
    const VAnalogueBlockView second = next.GetSet(0).GetBlock(0);
    for (std::size_t channel = 0; channel < 3; ++channel)
    {
        const int step = LittleEndianValue(first, channel * 20 + 19) -
                         LittleEndianValue(first, channel * 20 + 18);
        const int across =
            LittleEndianValue(second, channel * 20) - LittleEndianValue(first, channel * 20 + 19);
        EXPECT_NEAR(across, step, 2) << "channel " << channel;
    }
}

TEST_F(SynthesizerTest, CameraItemsReadBackAsWrittenAndStayOnTheSensor)
{
    X2DSynthesisOptions options;
    options.cameras = 2;
    options.frames = 30;
    options.centroids = 6;
    options.tracks = 3;
    options.blobs = 2;
    options.edges = 4;
    options.sensorWidth = 640;
    options.sensorHeight = 480;
    const X2DSynthesizer synthesizer(options);
    ASSERT_TRUE(synthesizer.Write(dir_.Path("cameras.x2d")));
    X2DIO::VX2DImport reader;
    ASSERT_TRUE(reader.Open(dir_.Path("cameras.x2d"), true));
    EXPECT_EQ(reader.GetCameraName(1), "lume:1002");

    auto centroids = Entries<X2DIO::CentroidSet>(2);
    auto tracks = Entries<X2DIO::CentroidTrackSet>(2);
    auto blobs = Entries<X2DIO::GreyscaleBlobSet>(2);
    auto edges = Entries<X2DIO::EdgePairSet>(2);
    ASSERT_TRUE(reader.ReadFrameByNumber(17, &centroids, &tracks, &blobs, &edges));
    const X2DIO::VX2DCameraFrame written = synthesizer.Frame(16).cameras[1];
    ASSERT_EQ(centroids[1]->centroids.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i)
    {
        const X2DIO::Centroid& read = centroids[1]->centroids[i];
        EXPECT_NEAR(read.x, written.centroids.centroids[i].x, 0.01);
        EXPECT_NEAR(read.y, written.centroids.centroids[i].y, 0.01);
        EXPECT_TRUE(read.x > 0 && read.x < 640 && read.y > 0 && read.y < 480);
    }
    EXPECT_EQ(tracks[1]->tracks, written.tracks.tracks);
    EXPECT_EQ(blobs[1]->lines, written.blobs.lines);
    EXPECT_EQ(blobs[1]->pixels, written.blobs.pixels);
    EXPECT_EQ(edges[1]->edgePairs, written.edgePairs.edgePairs);
}

TEST_F(SynthesizerTest, MarkersMoveWhileTracksKeepTheirIdentifiers)
{
    const X2DSynthesizer synthesizer({});
    const X2DIO::VX2DCameraFrame early = synthesizer.Frame(0).cameras[0];
    const X2DIO::VX2DCameraFrame later = synthesizer.Frame(1).cameras[0];
    EXPECT_EQ(early.tracks.tracks, later.tracks.tracks);
    for (std::size_t i = 0; i < early.centroids.centroids.size(); ++i)
    {
        const double dx = later.centroids.centroids[i].x - early.centroids.centroids[i].x;
        const double dy = later.centroids.centroids[i].y - early.centroids.centroids[i].y;
        const double step = std::hypot(dx, dy);
        // Smooth: a few pixels per frame at 100 Hz, never a jump.
        EXPECT_GT(step, 0.5);
        EXPECT_LT(step, 40.0);
    }
}
