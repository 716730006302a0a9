// The X1D holder and the per-source sample extraction on files written by our own writer:
// what a holder keeps of a file, and the samples a box sends for each frame.

#include "../../FileIO/X1DTestFiles.h"
#include "tests/support/AllocationCount.h"

#include "FileIO/IndexTable.h"
#include "FileIO/X1DImport.h"
#include "FileIO/X1DImportImpl.h"
#include "devices/netbox/X1DHolder.h"
#include "devices/netbox/X1DSamples.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <thread>

namespace
{
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using Values = std::vector<std::uint16_t>;
// One device's block in one frame; none when the device has no block there.
using Block = std::optional<Values>;

std::vector<std::uint8_t> LittleEndianBytes(const Values& values)
{
    std::vector<std::uint8_t> bytes;
    for (std::uint16_t value : values)
    {
        bytes.push_back(std::uint8_t(value));
        bytes.push_back(std::uint8_t(value >> 8));
    }
    return bytes;
}

// `count` values per channel for `channels` channels, channel after channel; value p of
// channel k is `first` + 1000·k + `step`·p.
Values ChannelMajor(std::size_t channels, std::size_t count, int first, int step)
{
    Values values;
    for (std::size_t k = 0; k < channels; ++k)
        for (std::size_t p = 0; p < count; ++p)
            values.push_back(std::uint16_t(first + 1000 * int(k) + step * int(p)));
    return values;
}

class X1DReplayTest : public ::testing::Test
{
protected:
    // One recorded device per entry, listing these 1-based source numbers.
    void SetDevices(const std::vector<std::vector<std::int32_t>>& sourceNumbers)
    {
        std::vector<VAnalogueSourceSetSpec> sets;
        for (const std::vector<std::int32_t>& numbers : sourceNumbers)
        {
            VAnalogueSourceSetSpec set;
            for (std::int32_t number : numbers)
                set.sources.push_back({number});
            sets.push_back(set);
        }
        recording_.header.SetSourceSets(sets);
    }

    // A frame with one entry per device; a device's block may be followed by others.
    void AddFrame(const std::vector<Block>& blocks, const Values& secondBlock = {})
    {
        VAnalogueBlockFrame frame;
        frame.Resize(std::uint32_t(blocks.size()));
        for (std::size_t device = 0; device < blocks.size(); ++device)
        {
            if (!blocks[device])
                continue;
            frame.GetSet(std::uint32_t(device))
                .Append(MakeAnalogueBlockView(LittleEndianBytes(*blocks[device])));
            frame.GetSet(std::uint32_t(device))
                .Append(MakeAnalogueBlockView(LittleEndianBytes(secondBlock)));
        }
        recording_.frameNumbers.push_back(std::int32_t(recording_.frames.size()));
        recording_.frames.push_back(frame);
    }

    std::shared_ptr<VX1DHolder> Load(const VX1DExportOptions& options = {})
    {
        EXPECT_TRUE(WriteRecording(path_, recording_, options));
        return Open();
    }

    std::shared_ptr<VX1DHolder> Open()
    {
        reader_ = std::make_shared<VX1DImport>();
        EXPECT_TRUE(reader_->Open(path_));
        return std::make_shared<VX1DHolder>(reader_);
    }

    VTempDir dir_;
    std::string path_ = dir_.Path("trial.x1d");
    VX1DRecording recording_;
    std::shared_ptr<VX1DImport> reader_;
};

// ---- the holder ------------------------------------------------------------------------

TEST_F(X1DReplayTest, HolderKeepsEveryFrameAndKnowsWhichDevicesHaveData)
{
    SetDevices({{1, 2}, {3}});
    AddFrame({Values{1, 2}, std::nullopt});
    AddFrame({std::nullopt, std::nullopt});
    AddFrame({Values{5, 6}, std::nullopt});
    const std::shared_ptr<VX1DHolder> holder = Load();
    EXPECT_EQ(holder->GetFrameCount(), 3u);
    EXPECT_EQ(holder->GetNumberOfDevices(), 2u);
    EXPECT_TRUE(holder->DeviceHasData(0));
    EXPECT_FALSE(holder->DeviceHasData(1)) << "no block in any frame";
    EXPECT_FALSE(holder->DeviceHasData(2)) << "no such device";
    EXPECT_EQ(holder->GetSourceSetHeader().GetSourceSets(), recording_.header.GetSourceSets());
    for (std::uint32_t i = 0; i < 3; ++i)
        EXPECT_TRUE(FramesEqual(holder->GetFrame(i), recording_.frames[i])) << "frame " << i;
    EXPECT_EQ(holder->GetCurrentFrameIndex(), -1);
}

TEST_F(X1DReplayTest, HolderKeepsOnlyTheFramesTheFileHolds)
{
    SetDevices({{1}});
    AddFrame({Values{1}});
    AddFrame({Values{2}});
    VX1DExportOptions options;
    options.headerFrameCount = 1000;
    const std::shared_ptr<VX1DHolder> holder = Load(options);
    EXPECT_EQ(reader_->GetNumberOfFrames(), 1000) << "what the header claims";
    EXPECT_EQ(holder->GetFrameCount(), 2u);
    EXPECT_THAT(reader_->GetErrors(), IsEmpty()) << "no frame beyond the index was looked for";
}

TEST_F(X1DReplayTest, HolderKeepsAnUnreadableFrameAsReadAndLoadsTheRest)
{
    SetDevices({{1}, {1}});
    for (std::uint16_t i = 0; i < 3; ++i)
        AddFrame({Values{i}, Values{i}});
    ASSERT_TRUE(WriteRecording(path_, recording_));
    VX1DImport probe;
    ASSERT_TRUE(probe.Open(path_));
    VIndexTable::VEntry entry;
    ASSERT_TRUE(probe.GetImpl().GetIndexTable().GetEntry(1, entry));
    probe.Close();
    std::vector<std::uint8_t> bytes = ReadFileBytes(path_);
    PatchInt32(bytes, std::size_t(entry.offset), 0); // the frame marker's tag is no longer -1
    WriteFileBytes(path_, bytes);

    const std::shared_ptr<VX1DHolder> holder = Open();
    ASSERT_EQ(holder->GetFrameCount(), 3u);
    EXPECT_EQ(holder->GetFrame(1).GetCount(), 0u);
    EXPECT_TRUE(FramesEqual(holder->GetFrame(2), recording_.frames[2]));
    EXPECT_TRUE(holder->DeviceHasData(1));
}

TEST_F(X1DReplayTest, FileWithoutFramesGivesNoSamples)
{
    SetDevices({{1, 2}});
    const std::shared_ptr<VX1DHolder> holder = Load();
    EXPECT_EQ(holder->GetFrameCount(), 0u);
    EXPECT_FALSE(holder->DeviceHasData(0));
    VX1DSamples samples(holder, 0);
    EXPECT_THAT(samples.Extract(5, 10, {0, 1}), IsEmpty());
}

// ---- sample extraction -----------------------------------------------------------------

TEST_F(X1DReplayTest, SamplesInterpolateTheStoredChannelsAtTheBoxRate)
{
    // 4 channels of 100 values per frame at a 100 Hz frame rate: 1000 Hz gives 10 samples per
    // channel, sample i taken at stored position 10·i.
    SetDevices({{1, 2, 3, 4}});
    AddFrame({ChannelMajor(4, 100, 5, 7)});
    AddFrame({ChannelMajor(4, 100, 9, 7)});
    VX1DSamples samples(Load(), 0);
    EXPECT_THAT(samples.GetChannelList(), ElementsAre(0, 1, 2, 3));

    const Values& out = samples.Extract(0, 10, {0, 1, 2, 3});
    ASSERT_EQ(out.size(), 40u);
    for (std::size_t i = 0; i < 10; ++i)
        for (std::size_t k = 0; k < 4; ++k)
            EXPECT_EQ(out[i * 4 + k], 5 + 1000 * k + 70 * i) << "sample " << i << " channel " << k;

    // 40 samples: position 2.5·i, halfway between stored values for odd i.
    const Values& fine = samples.Extract(0, 40, {2});
    ASSERT_EQ(fine.size(), 40u);
    EXPECT_EQ(fine[0], 2005);
    EXPECT_EQ(fine[1], 2005 + 17) << "halfway from 2019 to 2026, truncated";
    EXPECT_EQ(fine[2], 2005 + 35);
}

// At the recorded rate every sample is the stored value itself: no position may land a hair
// below its whole number and come out as the value before it plus almost the whole step.
TEST_F(X1DReplayTest, SamplesAtTheRecordedRateAreTheStoredValues)
{
    for (const std::uint32_t perChannel : {7u, 14u, 36u, 40u, 1000u})
    {
        recording_ = VX1DRecording{};
        SetDevices({{1}});
        Values stored(perChannel);
        for (std::uint32_t i = 0; i < perChannel; ++i)
            stored[i] = std::uint16_t(i % 2 ? 65000 - i : i); // steep steps show any error
        AddFrame({stored});
        VX1DSamples samples(Load(), 0);
        EXPECT_THAT(samples.Extract(0, perChannel, {0}), ElementsAreArray(stored))
            << perChannel << " samples per channel";
    }
}

TEST_F(X1DReplayTest, FallingValuesAreTruncatedTowardZero)
{
    SetDevices({{1}});
    AddFrame({Values{100, 90, 80, 70}});
    VX1DSamples samples(Load(), 0);
    // Positions 0, 0.25, 0.5, …: 100 - 2.5 truncates to 97, not 98. Past the last value the
    // partner is the next frame's first, here the same frame's 100 again.
    EXPECT_THAT(
        samples.Extract(0, 16, {0}),
        ElementsAreArray(Values{100, 97, 95, 92, 90, 87, 85, 82, 80, 77, 75, 72, 70, 77, 85, 92}));
}

TEST_F(X1DReplayTest, LastStoredValueInterpolatesTowardTheNextFrameOrHoldsWhenItIsShort)
{
    SetDevices({{1, 2}});
    AddFrame({Values{0, 10, 20, 30, 100, 110, 120, 130}});
    AddFrame({Values{50, 51, 52, 53, 200, 201, 202, 203}});
    AddFrame({Values{60, 61}}); // one value per channel: none at channel 1's offset 4
    VX1DSamples samples(Load(), 0);
    const Values& out = samples.Extract(0, 8, {0, 1});
    ASSERT_EQ(out.size(), 16u);
    EXPECT_EQ(out[6 * 2], 30) << "position 3";
    EXPECT_EQ(out[7 * 2], 40) << "halfway from 30 to the next frame's 50";
    EXPECT_EQ(out[7 * 2 + 1], 165) << "halfway from 130 to the next frame's 200";
    const Values& beforeShort = samples.Extract(1, 8, {0, 1});
    EXPECT_EQ(beforeShort[7 * 2], 56) << "halfway from 53 to 60, truncated";
    EXPECT_EQ(beforeShort[7 * 2 + 1], 203) << "the short frame has no partner: held";
}

TEST_F(X1DReplayTest, OddBytesAndSpareValuesOfABlockAreIgnored)
{
    SetDevices({{1, 2}});
    AddFrame({std::nullopt});
    // Five values and one byte more: two values per channel.
    std::vector<std::uint8_t> bytes = LittleEndianBytes(Values{10, 20, 30, 40, 50});
    bytes.push_back(0xff);
    recording_.frames[0].GetSet(0).Append(MakeAnalogueBlockView(bytes));
    VX1DSamples samples(Load(), 0);
    EXPECT_THAT(samples.Extract(0, 2, {0, 1}), ElementsAre(10, 30, 20, 40));
}

TEST_F(X1DReplayTest, EnabledChannelsTakeTheirColumnAndUnrecordedOnesStayZero)
{
    SetDevices({{3, 1, 3}}); // channel 2 listed twice: its first position counts
    AddFrame({Values{7, 8, 1, 2, 4, 4}});
    VX1DSamples samples(Load(), 0);
    EXPECT_THAT(samples.Extract(0, 2, {5, 2, 0}), ElementsAre(0, 7, 1, 0, 8, 2));
    EXPECT_THAT(samples.Extract(0, 3, {9}), ElementsAre(0, 0, 0))
        << "one enabled channel the device does not record";
}

TEST_F(X1DReplayTest, NothingToSendGivesNoSamples)
{
    SetDevices({{1}, {}});
    AddFrame({Values{1, 2}, Values{3, 4}});
    const std::shared_ptr<VX1DHolder> holder = Load();
    VX1DSamples samples(holder, 0);
    EXPECT_THAT(samples.Extract(0, 0, {0}), IsEmpty()) << "a rate below the frame rate";
    EXPECT_THAT(samples.Extract(0, 5, {}), IsEmpty()) << "no channel enabled";
    VX1DSamples noChannels(holder, 1);
    EXPECT_THAT(noChannels.Extract(0, 5, {0}), IsEmpty()) << "the device lists no channels";
    VX1DSamples noDevice(holder, 2);
    EXPECT_THAT(noDevice.Extract(0, 5, {0}), IsEmpty()) << "no source set for the device";
}

TEST_F(X1DReplayTest, FramesReplayInALoopReadingEachStoredFrameOnce)
{
    SetDevices({{1}});
    for (std::uint16_t i = 0; i < 3; ++i)
        AddFrame({Values{std::uint16_t(10 * i)}});
    const std::shared_ptr<VX1DHolder> holder = Load();
    VX1DSamples samples(holder, 0);
    for (std::uint32_t frame = 0; frame < 7; ++frame)
        EXPECT_THAT(samples.Extract(frame, 1, {0}), ElementsAre(10 * (frame % 3)))
            << "frame " << frame;
    EXPECT_EQ(samples.GetFramesLoaded(), 8u) << "two at the start, then one per frame";
    EXPECT_EQ(holder->GetCurrentFrameIndex(), 1) << "frame 7's, read ahead";

    EXPECT_THAT(samples.Extract(3002, 1, {0}), ElementsAre(20)) << "3002 mod 3";
    EXPECT_EQ(samples.GetFramesLoaded(), 10u) << "a jump loads both frames";
}

TEST_F(X1DReplayTest, SteadyReplayAllocatesNothing)
{
    SetDevices({{1, 2, 3}});
    AddFrame({ChannelMajor(3, 8, 0, 1)});
    AddFrame({ChannelMajor(3, 8, 5, 1)});
    AddFrame({std::nullopt});
    VX1DSamples samples(Load(), 0);
    const std::vector<std::uint32_t> enabled = {0, 1, 2, 7};
    for (std::uint32_t frame = 0; frame < 3; ++frame)
        samples.Extract(frame, 6, enabled);
    const std::uint64_t before = AllocationCount();
    for (std::uint32_t frame = 3; frame < 30; ++frame)
        samples.Extract(frame, 6, enabled);
    EXPECT_EQ(AllocationCount(), before);
}

TEST_F(X1DReplayTest, FrameWithoutABlockRepeatsTheFramePlayedBeforeIt)
{
    SetDevices({{1, 2}});
    AddFrame({Values{1, 2, 3, 4, 11, 12, 13, 14}});
    AddFrame({std::nullopt});
    AddFrame({Values{21, 22, 23, 24, 31, 32, 33, 34}});
    VX1DSamples samples(Load(), 0);
    const Values first = samples.Extract(0, 4, {0, 1});
    EXPECT_THAT(first, ElementsAre(1, 11, 2, 12, 3, 13, 4, 14));
    EXPECT_EQ(samples.Extract(1, 4, {0, 1}), first);
    EXPECT_THAT(samples.Extract(2, 4, {0, 1}), ElementsAre(21, 31, 22, 32, 23, 33, 24, 34));
    EXPECT_THAT(samples.Extract(4, 4, {0, 1}), ElementsAre(21, 31, 22, 32, 23, 33, 24, 34))
        << "jumping onto the frame without a block keeps the last frame played";
}

TEST_F(X1DReplayTest, BoxesOfOneFileExtractInParallel)
{
    SetDevices({{1, 2}, {2, 1}});
    for (int i = 0; i < 4; ++i)
        AddFrame({ChannelMajor(2, 6, i, 3), ChannelMajor(2, 6, 50 + i, 2)});
    const std::shared_ptr<VX1DHolder> holder = Load();
    // Each box's frame steps run on a pool thread of their own, side by side.
    auto replay = [&holder](std::uint32_t device, std::vector<Values>& frames)
    {
        VX1DSamples samples(holder, device);
        for (std::uint32_t frame = 0; frame < 200; ++frame)
            frames.push_back(samples.Extract(frame, 4, {0, 1}));
    };
    std::vector<Values> first, second;
    std::thread other([&] { replay(1, second); });
    replay(0, first);
    other.join();
    std::vector<Values> alone;
    replay(1, alone);
    EXPECT_EQ(second, alone);
    EXPECT_EQ(first[5], first[1]) << "frame 5 replays stored frame 1";
    EXPECT_EQ(holder->GetCurrentFrameIndex(), 0) << "frame 199's next, 200 mod 4";
}

TEST_F(X1DReplayTest, OnlyTheFirstBlockOfADeviceIsReplayed)
{
    SetDevices({{1}, {1}});
    AddFrame({Values{5, 6}, Values{7, 8}}, Values{99, 99});
    const std::shared_ptr<VX1DHolder> holder = Load();
    VX1DSamples second(holder, 1);
    EXPECT_THAT(second.Extract(0, 2, {0}), ElementsAre(7, 8));
}
} // namespace
