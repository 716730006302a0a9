// Damaged files: whatever the bytes say, Open and ReadFrame end with a result and, on failure,
// a message; they never read outside the file or allocate what the file cannot hold.

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
using ::testing::Contains;
using ::testing::ElementsAre;

// Offsets in a file written with the default options.
constexpr std::size_t kDeviceCountAt = 10;
constexpr std::size_t kFormatCountAt = 30;
constexpr std::size_t kIndexOffsetAt = 62;
constexpr std::size_t kDataOffsetAt = 76;
constexpr std::size_t kSourceSetSectionAt = 84;
// Within a frame: the frame marker, the sub-frame marker, then the block marker and its first
// item (int32 length, uint32 byte count).
constexpr std::size_t kFrameLengthAt = 2;
constexpr std::size_t kBlockLengthAt = 22;
constexpr std::size_t kItemByteCountAt = 34;

const char* const kPastFile = "Corrupt file (record runs past the end of the file).";
const char* const kPastRecord = "Corrupt file (field runs past the end of its record).";
const char* const kTooMany = "Corrupt file (count larger than the remaining bytes).";

class X1DCorruptTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WriteRecording(path_, MakeRecording(2, 3)));
        original_ = ReadFileBytes(path_);
        ASSERT_TRUE(reader_.Open(path_));
        reader_.GetFrameNumbers(frameNumbers_);
        for (std::size_t i = 0; i < frameNumbers_.size(); ++i)
        {
            VIndexTable::VEntry entry;
            ASSERT_TRUE(reader_.GetImpl().GetIndexTable().GetEntry(std::int64_t(i), entry));
            frameOffsets_.push_back(std::size_t(entry.offset));
        }
        reader_.Close();
    }

    // Opens `bytes` and reads every frame of its index; true when everything succeeded.
    // Every failure must leave a message.
    bool OpenAndReadAll(const std::vector<std::uint8_t>& bytes)
    {
        reader_.Close();
        WriteFileBytes(path_, bytes);
        if (!reader_.Open(path_))
        {
            EXPECT_FALSE(reader_.GetErrors().empty());
            return false;
        }
        bool all = true;
        for (std::int32_t i = 0; i < std::int32_t(reader_.GetImpl().GetIndexTable().GetCount());
             ++i)
        {
            const std::size_t before = reader_.GetErrors().size();
            VAnalogueBlockFrame frame;
            const bool read = reader_.ReadFrame(i, frame);
            EXPECT_TRUE(read || reader_.GetErrors().size() > before) << "silent failure";
            all = all && read;
        }
        return all;
    }

    std::vector<std::uint8_t> Patched32(std::size_t offset, std::uint32_t value) const
    {
        std::vector<std::uint8_t> bytes = original_;
        PatchInt32(bytes, offset, value);
        return bytes;
    }

    VTempDir dir_;
    std::string path_ = dir_.Path("damaged.x1d");
    std::vector<std::uint8_t> original_;
    std::vector<std::int32_t> frameNumbers_;
    std::vector<std::size_t> frameOffsets_;
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
    for (std::size_t size = 0; size < original_.size(); ++size)
    {
        SCOPED_TRACE("truncated to " + std::to_string(size));
        OpenAndReadAll({original_.begin(), original_.begin() + std::ptrdiff_t(size)});
    }
}

TEST_F(X1DCorruptTest, TruncatedFramesAreLeftOutOfARebuiltIndex)
{
    // Cut the table and half of the last frame.
    const std::size_t cut = frameOffsets_.back() + 15;
    std::vector<std::uint8_t> bytes(original_.begin(), original_.begin() + std::ptrdiff_t(cut));
    EXPECT_TRUE(OpenAndReadAll(bytes));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Could not find the index table in the file."));
    EXPECT_EQ(reader_.GetNumberOfFrames(), 2);
}

TEST_F(X1DCorruptTest, EveryFieldOverwrittenWithExtremeValuesIsSurvived)
{
    for (const std::uint32_t value : {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFF0u, 0u, 4u})
        for (std::size_t offset = 0; offset + 4 <= original_.size(); ++offset)
        {
            SCOPED_TRACE("value " + std::to_string(value) + " at " + std::to_string(offset));
            OpenAndReadAll(Patched32(offset, value));
        }
}

TEST_F(X1DCorruptTest, HeaderCountsBeyondTheFileAreRefused)
{
    EXPECT_FALSE(OpenAndReadAll(Patched32(kDeviceCountAt, 0x7FFFFFFF)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Invalid file header (number of devices)."));
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
    std::vector<std::uint8_t> bytes = original_;
    PatchInt64(bytes, kDataOffsetAt, std::uint64_t(-1));
    EXPECT_FALSE(OpenAndReadAll(bytes));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Invalid file header (data offset)."));

    PatchInt64(bytes, kDataOffsetAt, original_.size() + 1);
    EXPECT_FALSE(OpenAndReadAll(bytes));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Invalid file header (data offset)."));

    bytes = original_;
    PatchInt64(bytes, kIndexOffsetAt, std::uint64_t(1) << 40);
    EXPECT_TRUE(OpenAndReadAll(bytes)) << "the index is rebuilt";
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Could not find the index table in the file."));
}

TEST_F(X1DCorruptTest, CustomSectionLengthsAreBounded)
{
    EXPECT_FALSE(OpenAndReadAll(Patched32(kSourceSetSectionAt + 2, 0x7FFFFFFF)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kPastFile));

    // A negative length ends the scan; the header sections read so far stand.
    EXPECT_TRUE(OpenAndReadAll(Patched32(kSourceSetSectionAt + 2, 0xFFFFFFF0)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Corrupt file (invalid length or size)."));

    // Shorter than its contents: the header may not read into the frames.
    EXPECT_FALSE(OpenAndReadAll(Patched32(kSourceSetSectionAt + 2, 20)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kPastRecord));
}

TEST_F(X1DCorruptTest, FrameAndBlockLengthsAreBounded)
{
    const std::size_t frame = frameOffsets_.at(1);
    EXPECT_FALSE(OpenAndReadAll(Patched32(frame + kFrameLengthAt, 0x7FFFFFFF)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kPastFile));

    EXPECT_FALSE(OpenAndReadAll(Patched32(frame + kFrameLengthAt, 0)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Could not read frame."));

    std::vector<std::uint8_t> bytes = original_;
    bytes.at(frame) = 0;
    EXPECT_FALSE(OpenAndReadAll(bytes));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Could not read frame.")) << "frame tag";

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
