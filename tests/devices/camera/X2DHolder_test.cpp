// The frame cache of an X2D file: which file frame each HAL frame replays, the read-ahead
// that keeps the frame threads from waiting for the file, and a frame that cannot be read.

#include "devices/camera/X2DHolder.h"
#include "tests/FileIO/X2DIO/X2DTestFiles.h"
#include "tests/support/TempDirectory.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace
{
class X2DHolderTest : public testing::Test
{
protected:
    std::shared_ptr<VX2DHolder> Open(const std::string& path)
    {
        auto reader = std::make_shared<X2DIO::VX2DImport>(1);
        EXPECT_TRUE(reader->Open(path, true));
        return std::make_shared<VX2DHolder>(reader);
    }

    std::string Write(const VX2DRecording& recording)
    {
        const std::string path = directory_.Path() + "/trial.x2d";
        EXPECT_TRUE(WriteX2DRecording(path, recording));
        return path;
    }

    BriselTest::TempDirectory directory_;
};

// The file frame and whether it carries new data.
std::pair<std::uint32_t, bool> Choose(std::uint32_t current, std::uint32_t previous)
{
    const VX2DHolder::FrameChoice choice = VX2DHolder::ChooseFrame(current, previous, 100);
    return {choice.index, choice.hasNewData};
}

using Choice = std::pair<std::uint32_t, bool>;
} // namespace

// Frame 0 of a run goes out empty too: the rule takes new data only from a frame number
// that advanced on the one before.
TEST(X2DFrameChoice, TheFileLoopsAndItsWrapGoesOutEmpty)
{
    EXPECT_EQ(Choose(0, 0), (Choice{0, false}));
    EXPECT_EQ(Choose(1, 0), (Choice{1, true}));
    EXPECT_EQ(Choose(99, 98), (Choice{99, true}));
    EXPECT_EQ(Choose(100, 99), (Choice{0, false})) << "the wrap";
    EXPECT_EQ(Choose(101, 100), (Choice{1, true}));
    EXPECT_EQ(Choose(250, 249), (Choice{50, true}));
    EXPECT_EQ(Choose(7, 7), (Choice{7, false})) << "did not advance";
    EXPECT_EQ(Choose(5, 40), (Choice{5, false})) << "backwards";
    EXPECT_EQ(Choose(0, 0xFFFFFFFF), (Choice{0, false}));
}

TEST_F(X2DHolderTest, CamerasOfOneFrameShareOneSwapAndOneReadAhead)
{
    const VX2DRecording recording = MakeX2DRecording(2, 5);
    const auto holder = Open(Write(recording));
    ASSERT_EQ(holder->GetFrameCount(), 5u);
    ASSERT_EQ(holder->GetCameraCount(), 2u);
    EXPECT_EQ(holder->GetCameraInfo(1).identifier, recording.header.cameras[1].identifier);
    EXPECT_EQ(holder->GetFramePeriod(), 1350000u);

    ASSERT_TRUE(holder->LoadFrame(0));
    ASSERT_TRUE(holder->LoadFrame(0)) << "the second camera of the frame";
    VX2DHolder::Statistics statistics = holder->GetStatistics();
    EXPECT_EQ(statistics.synchronousReads, 1u);
    EXPECT_EQ(statistics.readAheads, 1u);
    EXPECT_EQ(statistics.swaps, 0u);

    ASSERT_TRUE(holder->LoadFrame(1));
    ASSERT_TRUE(holder->LoadFrame(1));
    statistics = holder->GetStatistics();
    EXPECT_EQ(statistics.synchronousReads, 1u) << "frame 1 was read ahead";
    EXPECT_EQ(statistics.swaps, 1u);
    EXPECT_EQ(statistics.readAheads, 2u);
    for (std::size_t camera = 0; camera < 2; ++camera)
        EXPECT_EQ(holder->Front().centroidSets[camera]->centroids,
                  recording.frames[1].cameras[camera].centroids.centroids);

    // A jump takes the frame read ahead first, then reads the frame it needs itself.
    ASSERT_TRUE(holder->LoadFrame(4));
    EXPECT_EQ(holder->GetStatistics().synchronousReads, 2u);
    EXPECT_EQ(holder->GetStatistics().swaps, 2u);
    EXPECT_EQ(holder->Front().edgeSets[0]->edgePairs,
              recording.frames[4].cameras[0].edgePairs.edgePairs);
    ASSERT_TRUE(holder->LoadFrame(0)) << "after the last frame comes the first";
    EXPECT_EQ(holder->GetStatistics().swaps, 3u);
}

TEST_F(X2DHolderTest, FrameThatCannotBeReadIsReportedOnceAndLeavesTheOthersReadable)
{
    const std::string path = Write(MakeX2DRecording(2, 6));
    const auto size = std::filesystem::file_size(path);
    const auto holder = Open(path);
    // Cut in two while the file is open: the first frames stay, the last ones are gone.
    std::filesystem::resize_file(path, size / 2);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(holder->LoadFrame(5));
    EXPECT_FALSE(holder->LoadFrame(5));
    const std::string reported = testing::internal::GetCapturedStderr();
    EXPECT_EQ(reported.rfind("X2D frame 5 cannot be read, cameras send empty frames: ", 0), 0u)
        << reported;
    EXPECT_EQ(reported.find('\n'), reported.size() - 1) << "one line, not one per frame";
    EXPECT_TRUE(holder->LoadFrame(1));
    EXPECT_FALSE(holder->LoadFrame(7)) << "no such frame";
}
