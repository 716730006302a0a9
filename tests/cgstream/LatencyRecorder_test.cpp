#include "cgstream/LatencyRecorder.h"
#include "tests/support/TempDirectory.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <sstream>

using Histogram = std::map<std::uint32_t, std::int32_t>;

namespace
{
class LatencyRecorderTest : public testing::Test
{
protected:
    void SendAt(std::int32_t time, std::uint32_t frame)
    {
        now_ = time;
        recorder_.RecordSent(frame);
    }
    void ReceiveAt(std::int32_t time, std::uint32_t frame)
    {
        now_ = time;
        recorder_.RecordReceived(frame);
    }
    static std::string Contents(const std::string& path)
    {
        std::ifstream in(path);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::int32_t now_ = 0;
    VLatencyRecorder recorder_{[this] { return now_; }};
    BriselTest::TempDirectory folder_;
};
} // namespace

TEST_F(LatencyRecorderTest, CountsEachLatencyAndExportsItAscending)
{
    SendAt(5000, 100);
    ReceiveAt(5012, 100);
    EXPECT_EQ(recorder_.GetHistogram(), (Histogram{{12, 1}}));
    SendAt(6000, 101);
    SendAt(6001, 102);
    ReceiveAt(6003, 102);
    ReceiveAt(6012, 101);
    EXPECT_EQ(recorder_.GetHistogram(), (Histogram{{2, 1}, {12, 2}}));

    const std::string path = folder_.Path("latency.csv");
    ASSERT_TRUE(recorder_.Export(path));
    EXPECT_EQ(Contents(path), "Latency,Frequency\n2, 1\n12, 2\n");
}

TEST_F(LatencyRecorderTest, CountsOnlyFramesSentOnceBeforeAndTimeHasPassed)
{
    ReceiveAt(10, 1);
    SendAt(20, 1);
    ReceiveAt(25, 1);
    ReceiveAt(30, 1);
    SendAt(40, 2);
    ReceiveAt(40, 2);
    SendAt(50, 3);
    ReceiveAt(45, 3);
    EXPECT_EQ(recorder_.GetHistogram(), (Histogram{{5, 1}}));
    EXPECT_EQ(recorder_.GetPendingCount(), 0u);
}

TEST_F(LatencyRecorderTest, LatencyAcrossTheClockWrapIsCountedWithoutOverflow)
{
    SendAt(std::numeric_limits<std::int32_t>::min(), 1);
    ReceiveAt(std::numeric_limits<std::int32_t>::max(), 1);
    EXPECT_EQ(recorder_.GetHistogram(), (Histogram{{0xFFFFFFFFu, 1}}));
}

TEST_F(LatencyRecorderTest, KeepsTheNewestTenThousandSentFrames)
{
    for (std::uint32_t frame = 1; frame <= 10001; ++frame)
        SendAt(static_cast<std::int32_t>(frame), frame);
    EXPECT_EQ(recorder_.GetPendingCount(), VLatencyRecorder::kMaxSentFrames);
    EXPECT_FALSE(recorder_.IsPending(1));
    EXPECT_TRUE(recorder_.IsPending(2));
    EXPECT_TRUE(recorder_.IsPending(10001));
}

TEST_F(LatencyRecorderTest, ClearForgetsSentFramesAndCounts)
{
    SendAt(1, 1);
    SendAt(1, 2);
    ReceiveAt(3, 1);
    recorder_.Clear();
    ReceiveAt(4, 2);
    EXPECT_TRUE(recorder_.GetHistogram().empty());
    EXPECT_EQ(recorder_.GetPendingCount(), 0u);
}

TEST_F(LatencyRecorderTest, ExportOfNothingWritesTheHeaderOnly)
{
    const std::string path = folder_.Path("empty.csv");
    ASSERT_TRUE(recorder_.Export(path));
    EXPECT_EQ(Contents(path), "Latency,Frequency\n");
}

TEST_F(LatencyRecorderTest, AnExportThatCannotBeWrittenLeavesNoFileAndKeepsAnEarlierOne)
{
    const std::string unreachable = folder_.Path("missing") + "/latency.csv";
    EXPECT_FALSE(recorder_.Export(unreachable));
    EXPECT_FALSE(std::ifstream(unreachable).good());

    SendAt(1, 1);
    ReceiveAt(4, 1);
    const std::string path = folder_.Path("latency.csv");
    ASSERT_TRUE(recorder_.Export(path));
    // A folder where the partial file would go makes the next write fail.
    std::filesystem::create_directory(path + ".part");
    EXPECT_FALSE(recorder_.Export(path));
    EXPECT_EQ(Contents(path), "Latency,Frequency\n3, 1\n");
}
