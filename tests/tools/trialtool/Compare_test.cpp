// trialtool compare: each kind of difference between two files is found and named, a file is
// identical with itself, a recording of a replay matches its file through the replay's
// frame mapping, and damaged files end the comparison with a message.

#include "FileIO/AnalogueBlockFrame.h"
#include "FileIO/X1DExport.h"
#include "FileIO/X2DIO/X2DExport.h"
#include "tests/support/TempDirectory.h"
#include "tools/trialtool/TrialTool.h"
#include "tools/trialtool/X1DSynthesizer.h"
#include "tools/trialtool/X2DSynthesizer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

using testing::HasSubstr;

namespace
{
constexpr std::uint32_t kFrames = 20;

struct Outcome
{
    int exitCode;
    std::string out;
    std::string err;
};

using FrameEdit = std::function<void(X2DIO::VX2DFrame&)>;

class CompareTest : public testing::Test
{
protected:
    CompareTest()
    {
        options_.frames = kFrames;
        EXPECT_TRUE(TrialTool::X2DSynthesizer(options_).Write(Path("a.x2d")));
    }

    std::string Path(const std::string& name) const { return dir_.Path(name); }

    Outcome Compare(const std::string& b, std::vector<std::string> options = {})
    {
        std::vector<std::string> words{"compare", Path("a.x2d"), Path(b)};
        words.insert(words.end(), options.begin(), options.end());
        std::ostringstream out, err;
        const int exitCode = TrialTool::RunTrialTool(words, out, err);
        return {exitCode, out.str(), err.str()};
    }

    // A's frames with frame numbers `numbers` (each taken from index number mod kFrames)
    // and `edit` applied to each; the cameras of `header`.
    std::string WriteB(const std::vector<std::uint32_t>& numbers, const FrameEdit& edit = {},
                       std::optional<X2DIO::VX2DHeaderDescription> header = std::nullopt)
    {
        const TrialTool::X2DSynthesizer synthesizer(options_);
        X2DIO::VX2DExport file;
        EXPECT_TRUE(file.Open(Path("b.x2d"), header.value_or(synthesizer.Header())));
        for (std::uint32_t number : numbers)
        {
            X2DIO::VX2DFrame frame = synthesizer.Frame(number % kFrames);
            frame.number = std::int32_t(number);
            if (edit)
                edit(frame);
            EXPECT_TRUE(file.WriteFrame(frame));
        }
        EXPECT_TRUE(file.Close());
        return "b.x2d";
    }

    // A's own frame numbers, 1 to kFrames.
    static std::vector<std::uint32_t> SameNumbers()
    {
        std::vector<std::uint32_t> numbers;
        for (std::uint32_t number = 1; number <= kFrames; ++number)
            numbers.push_back(number);
        return numbers;
    }

    // Frame N holds A's frame N (index N - 1), then `edit` applied.
    std::string WriteEditedB(const FrameEdit& edit,
                             const std::vector<std::uint32_t>& numbers = SameNumbers(),
                             std::optional<X2DIO::VX2DHeaderDescription> header = std::nullopt)
    {
        return WriteB(
            numbers,
            [&edit](X2DIO::VX2DFrame& frame)
            {
                frame = TrialTool::X2DSynthesizer(Options()).Frame(std::uint32_t(frame.number) - 1);
                edit(frame);
            },
            std::move(header));
    }

    static TrialTool::X2DSynthesisOptions Options()
    {
        TrialTool::X2DSynthesisOptions options;
        options.frames = kFrames;
        return options;
    }

    BriselTest::TempDirectory dir_;
    TrialTool::X2DSynthesisOptions options_;
};
} // namespace

TEST_F(CompareTest, AFileIsIdenticalWithItselfAndCountsWhatItCompared)
{
    const Outcome outcome = Compare("a.x2d");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    // 3 cameras × 20 frames × (4 centroids + 4 tracks + 2 blobs of lines + 2 edge pairs).
    EXPECT_THAT(outcome.out, HasSubstr("identical: 3 cameras, 20 frames, "));
    EXPECT_EQ(outcome.err, "");
}

TEST_F(CompareTest, AnItemValueThatDiffersIsNamedWithBothValues)
{
    const std::string b = WriteEditedB(
        [](X2DIO::VX2DFrame& frame)
        {
            if (frame.number == 7)
                frame.cameras[1].centroids.centroids[2].x += 0.5;
        });
    const Outcome outcome = Compare(b);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_THAT(outcome.out, HasSubstr("camera 1002 frame 7: centroid 2 x "));
    EXPECT_THAT(outcome.out, HasSubstr("different: 1 differences; 3 cameras, 20 frames"));
}

TEST_F(CompareTest, CountsOfEveryKindOfItemAreCompared)
{
    const std::string b = WriteEditedB(
        [](X2DIO::VX2DFrame& frame)
        {
            if (frame.number == 2)
                frame.cameras[0].centroids.centroids.pop_back();
            if (frame.number == 3)
                frame.cameras[0].tracks.tracks.pop_back();
            if (frame.number == 4)
                frame.cameras[0].edgePairs.edgePairs.pop_back();
            if (frame.number == 5)
                frame.cameras[0].blobs.pixels[0] ^= 1;
        });
    const Outcome outcome = Compare(b);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_THAT(outcome.out, HasSubstr("camera 1001 frame 2: centroid count 4 vs 3\n"));
    EXPECT_THAT(outcome.out, HasSubstr("camera 1001 frame 3: track count 4 vs 3\n"));
    EXPECT_THAT(outcome.out, HasSubstr("camera 1001 frame 4: edge pair count 2 vs 1\n"));
    EXPECT_THAT(outcome.out, HasSubstr("camera 1001 frame 5: line "));
    EXPECT_THAT(outcome.out, HasSubstr("different: 4 differences"));
}

TEST_F(CompareTest, MissingFramesAndCamerasAreDifferencesNotSkipped)
{
    std::vector<std::uint32_t> numbers = SameNumbers();
    numbers.erase(numbers.begin() + 8); // frame 9
    X2DIO::VX2DHeaderDescription header = TrialTool::X2DSynthesizer(options_).Header();
    header.cameras.pop_back();
    const std::string b =
        WriteEditedB([](X2DIO::VX2DFrame& frame) { frame.cameras.pop_back(); }, numbers, header);
    const Outcome outcome = Compare(b);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_THAT(outcome.out, HasSubstr("different: 2 differences; 2 cameras, 19 frames"));
    EXPECT_THAT(outcome.out, HasSubstr("camera 1003: missing in B\n"));
    EXPECT_THAT(outcome.out, HasSubstr("frame 9: missing in B\n"));
}

TEST_F(CompareTest, TheToleranceAllowsRoundingAndTheDifferenceLimitStopsEarly)
{
    const std::string b = WriteEditedB([](X2DIO::VX2DFrame& frame)
                                       { frame.cameras[0].centroids.centroids[0].y += 0.25; });
    // The file stores positions in fixed point, so the step is not exactly 0.25 here; the
    // analogue test meets the boundary exactly.
    EXPECT_EQ(Compare(b, {"--tolerance", "0.26"}).exitCode, 0);
    const Outcome strict = Compare(b, {"--tolerance", "0.24", "--max-differences", "3"});
    EXPECT_EQ(strict.exitCode, 1);
    EXPECT_THAT(strict.out, HasSubstr("stopped after 3 differences\n"));
    EXPECT_EQ(Compare(b, {"--tolerance", "-1"}).exitCode, 2);
}

TEST_F(CompareTest, ARecordingOfALoopingReplayMatchesThroughTheReplaysFrameMapping)
{
    // The replay sends index N mod 20 for frame number N, nothing where it loops round.
    std::vector<std::uint32_t> numbers;
    for (std::uint32_t number = 35; number < 85; ++number)
        numbers.push_back(number);
    const FrameEdit wrap = [](X2DIO::VX2DFrame& frame)
    {
        if (frame.number % kFrames == 0)
            frame.cameras.assign(frame.cameras.size(), {});
    };
    const Outcome outcome = Compare(WriteB(numbers, wrap), {"--replay"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.out;
    EXPECT_THAT(outcome.out, HasSubstr("identical: 3 cameras, 50 frames, "));
    EXPECT_THAT(outcome.out, HasSubstr(", 3 frames sent without items where the replay loops"));
    // Without --replay the numbers do not match.
    EXPECT_EQ(Compare("b.x2d").exitCode, 1);

    numbers.erase(numbers.begin() + 10, numbers.begin() + 12); // 45 and 46
    const FrameEdit emptied = [wrap](X2DIO::VX2DFrame& frame)
    {
        wrap(frame);
        if (frame.number == 50)
            frame.cameras[2] = {};
    };
    const Outcome gaps = Compare(WriteB(numbers, emptied), {"--replay"});
    EXPECT_EQ(gaps.exitCode, 1);
    EXPECT_THAT(gaps.out, HasSubstr("frames 45 to 46: missing in B\n"));
    EXPECT_THAT(gaps.out, HasSubstr("camera 1003 frame 50 (A frame 11): centroid count 4 vs 0"));
}

TEST_F(CompareTest, DamagedOrMismatchedFilesEndWithAMessageAndExitCode2)
{
    const auto size = std::filesystem::file_size(Path("a.x2d"));
    std::filesystem::copy_file(Path("a.x2d"), Path("cut.x2d"));
    std::filesystem::resize_file(Path("cut.x2d"), size / 2);
    const Outcome cut = Compare("cut.x2d");
    EXPECT_EQ(cut.exitCode, 2);
    EXPECT_THAT(cut.err, HasSubstr("trialtool compare: cannot read frame "));

    std::ofstream(Path("noise.x2d")) << std::string(200, '\x7f');
    const Outcome noise = Compare("noise.x2d");
    EXPECT_EQ(noise.exitCode, 2);
    EXPECT_THAT(noise.err, HasSubstr("cannot open"));

    ASSERT_TRUE(TrialTool::X1DSynthesizer({}).Write(Path("a.x1d")));
    const Outcome kinds = Compare("a.x1d");
    EXPECT_EQ(kinds.exitCode, 2);
    EXPECT_THAT(kinds.err, HasSubstr("is X2D but"));
    EXPECT_EQ(Compare("missing.x2d").exitCode, 2);
}

TEST(CompareX1D, SamplesAreComparedPerBoxWithinAnInclusiveTolerance)
{
    BriselTest::TempDirectory dir;
    TrialTool::X1DSynthesisOptions options;
    options.frames = 10;
    const TrialTool::X1DSynthesizer synthesizer(options);
    ASSERT_TRUE(synthesizer.Write(dir.Path("a.x1d")));
    VX1DExport file;
    ASSERT_TRUE(file.Open(dir.Path("b.x1d"), synthesizer.SourceSetHeader()));
    for (std::uint32_t frame = 0; frame < options.frames; ++frame)
    {
        std::vector<std::uint8_t> block = synthesizer.Block(frame);
        if (frame == 4)
            block[6] += 2; // sample 3 of the first channel
        VAnalogueBlockFrame blocks;
        blocks.Resize(options.devices);
        for (std::uint32_t device = 0; device < options.devices; ++device)
            blocks.GetSet(device).Append(
                MakeAnalogueBlockView(device == 1 ? block : synthesizer.Block(frame)));
        ASSERT_TRUE(file.WriteFrame(std::int32_t(frame + 1), blocks));
    }
    ASSERT_TRUE(file.Close());
    const auto compare = [&dir](std::vector<std::string> options)
    {
        std::vector<std::string> words{"compare", dir.Path("a.x1d"), dir.Path("b.x1d")};
        words.insert(words.end(), options.begin(), options.end());
        std::ostringstream out, err;
        const int exitCode = TrialTool::RunTrialTool(words, out, err);
        return std::make_pair(exitCode, out.str() + err.str());
    };
    const auto [exact, text] = compare({});
    EXPECT_EQ(exact, 1);
    EXPECT_THAT(text, HasSubstr("box 33554434 frame 5: sample 3 "));
    EXPECT_THAT(text, HasSubstr("1 differences; 2 boxes, 10 frames"));
    const auto [tolerant, summary] = compare({"--tolerance", "2"});
    EXPECT_EQ(tolerant, 0) << summary;
    EXPECT_EQ(compare({"--tolerance", "1"}).first, 1);
}
