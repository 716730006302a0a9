// Damaged files: whatever the bytes say, Open and ReadFrame end with a result and, on failure,
// a message; they never read outside the file or allocate what the file cannot hold.

#include "CorruptFileTest.h"
#include "X1DTestFiles.h"

#include "FileIO/X1DImport.h"
#include "FileIO/X1DImportImpl.h"
#include "net/ByteOrder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// AllocationLimit.cpp, linked in, aborts on any request above 64 MiB: nothing here needs that
// much, so a larger request means a length from the file was trusted.

namespace
{
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace ReaderErrors;

// Offsets in a file written with the default options.
constexpr std::size_t kDeviceCountAt = 10;
constexpr std::size_t kFormatCountAt = 30;
constexpr std::size_t kIndexOffsetAt = 62;
constexpr std::size_t kDataOffsetAt = 76;
constexpr std::size_t kSourceSetSectionAt = 84;
// Within a frame: the frame marker, the sub-frame marker, then the block marker and its first
// item (int32 length, uint32 byte count).
constexpr std::size_t kBlockLengthAt = 22;
constexpr std::size_t kItemByteCountAt = 34;

class X1DCorruptTest : public VCorruptFileTest
{
protected:
    X1DCorruptTest() : VCorruptFileTest("damaged.x1d") {}

    void SetUp() override
    {
        ASSERT_TRUE(WriteRecording(path_, MakeRecording(2, 3)));
        LoadOriginal();
    }

    bool Open(const std::string& path) override { return reader_.Open(path); }
    void Close() override { reader_.Close(); }
    const VFrameFileReader& Core() const override { return reader_.GetImpl(); }
    bool ReadFrame(std::int32_t index) override
    {
        VAnalogueBlockFrame frame;
        return reader_.ReadFrame(index, frame);
    }

    VX1DImport reader_;
};

TEST_F(X1DCorruptTest, LayoutOfTheTestFileIsAsAssumed)
{
    EXPECT_EQ(original_.at(kDeviceCountAt), 2);
    EXPECT_EQ(original_.at(kFormatCountAt), 1);
    EXPECT_EQ(original_.at(kSourceSetSectionAt), 0) << "custom header 0";
    EXPECT_EQ(ByteOrder::LoadLittleEndian32(&original_.at(kDataOffsetAt)), frameOffsets_.at(0));
    EXPECT_TRUE(OpenAndReadAll(original_));
}

TEST_F(X1DCorruptTest, EveryTruncationFailsCleanlyOrReadsWhatIsThere)
{
    SweepTruncations();
}

TEST_F(X1DCorruptTest, CutFrameWithItsMarkerIntactStaysInARebuiltIndexButDoesNotRead)
{
    // Cut the table and half of the last frame.
    EXPECT_FALSE(OpenAndReadAll(Truncated(frameOffsets_.back() + 15)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kNoIndexTable, kPastFile));
    EXPECT_EQ(reader_.GetNumberOfFrames(), 3);

    // Without its whole marker, the cut frame is no frame of the file.
    EXPECT_TRUE(OpenAndReadAll(Truncated(frameOffsets_.back() + 9)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kNoIndexTable));
    EXPECT_EQ(reader_.GetNumberOfFrames(), 2);
}

TEST_F(X1DCorruptTest, EveryFieldOverwrittenWithExtremeValuesIsSurvived)
{
    SweepOverwrites();
}

TEST_F(X1DCorruptTest, HeaderCountsBeyondTheFileAreRefused)
{
    EXPECT_FALSE(OpenAndReadAll(Patched32(kDeviceCountAt, 0x7FFFFFFF)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kTooMany));
    EXPECT_FALSE(OpenAndReadAll(Patched32(kDeviceCountAt, 0xFFFFFFFF)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Invalid file header (number of devices)."));

    EXPECT_FALSE(OpenAndReadAll(Patched32(kFormatCountAt, 0xFFFFFFFF)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kTooMany));

    const std::size_t indexAt = ByteOrder::LoadLittleEndian32(&original_.at(kIndexOffsetAt));
    EXPECT_FALSE(OpenAndReadAll(Patched32(indexAt, 0xFFFFFFFF)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kTooMany));
}

TEST_F(X1DCorruptTest, OffsetsOutsideTheFileAreRefused)
{
    ExpectOffsetsOutsideTheFileRefusedOrRebuilt(kIndexOffsetAt, kDataOffsetAt);
}

TEST_F(X1DCorruptTest, SourceSetHeaderIsReadWhateverItsSectionLengthSays)
{
    ASSERT_TRUE(reader_.Open(path_));
    VAnalogueSourceSetHeader original;
    reader_.GetAnalogueSourceSetHeader(original);
    ASSERT_EQ(original.GetSourceSets().size(), 2u);
    // None, less than its contents, more than the header holds, past the file, negative.
    for (const std::uint32_t length : {0u, 10u, 1000u, 0x7FFFFFFFu, 0xFFFFFFF0u})
    {
        SCOPED_TRACE("section length " + std::to_string(std::int32_t(length)));
        EXPECT_TRUE(OpenAndReadAll(Patched32(kSourceSetSectionAt + 2, length)));
        EXPECT_THAT(reader_.GetErrors(), IsEmpty());
        VAnalogueSourceSetHeader header;
        reader_.GetAnalogueSourceSetHeader(header);
        EXPECT_EQ(header.GetSourceSets(), original.GetSourceSets());
    }
}

TEST_F(X1DCorruptTest, FrameAndBlockLengthsAreBounded)
{
    const std::size_t frame = frameOffsets_.at(1);
    ExpectFrameLengthBounded(frame);

    std::vector<std::uint8_t> bytes = original_;
    bytes.at(frame) = 0;
    EXPECT_FALSE(OpenAndReadAll(bytes));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kFrameUnreadable)) << "frame tag";

    // 100 bytes on reach into the next frame: inside the file, outside the record.
    for (const std::size_t field : {kBlockLengthAt, kItemByteCountAt})
    {
        EXPECT_FALSE(OpenAndReadAll(Patched32(frame + field, 100)));
        EXPECT_THAT(reader_.GetErrors(), ElementsAre(kPastRecord));
        EXPECT_FALSE(OpenAndReadAll(Patched32(frame + field, 0x7FFFFFFF)));
        EXPECT_THAT(reader_.GetErrors(), ElementsAre(kPastFile));
    }
}

TEST_F(X1DCorruptTest, FailedFrameKeepsTheDevicesAlreadyRead)
{
    // Device 1's block of frame 1 claims more than its frame holds.
    ASSERT_TRUE(reader_.Open(path_));
    VAnalogueBlockFrame good;
    ASSERT_TRUE(reader_.ReadFrame(1, good));
    reader_.Close();
    // Device 0 has one empty block: sub-frame marker, block marker, item length and count.
    const std::size_t secondSubFrame = frameOffsets_.at(1) + 10 + 10 + 10 + 8;
    std::vector<std::uint8_t> bytes = Patched32(secondSubFrame + 10 + 2, 0x7FFFFFFF);
    WriteFileBytes(path_, bytes);
    ASSERT_TRUE(reader_.Open(path_));
    VAnalogueBlockFrame frame;
    EXPECT_FALSE(reader_.ReadFrame(1, frame));
    ASSERT_EQ(frame.GetCount(), 2u);
    EXPECT_EQ(frame.GetSet(0).GetCount(), good.GetSet(0).GetCount());
    EXPECT_EQ(frame.GetSet(1).GetCount(), 0u);
}
} // namespace
