// Damaged files: whatever the bytes say, Open and ReadFrame end with a result and, on failure,
// a message; they never read outside the file or allocate what the file cannot hold.

#include "X2DTestFiles.h"

#include "FileIO/ByteWriter.h"
#include "FileIO/X2DIO/X2DImportImpl.h"
#include "net/ByteOrder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// AllocationLimit.cpp, linked in, aborts on any request above 64 MiB: nothing here needs that
// much, so a larger request means a length from the file was trusted.

using namespace X2DIO;

namespace
{
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::size_t kCameraCountAt = 10;
constexpr std::size_t kFormatCountAt = 30;
constexpr std::size_t kFirstFormatAt = 34;
// Within a frame: the frame marker, the first camera record marker, then its first block.
constexpr std::size_t kFrameLengthAt = 2;
constexpr std::size_t kCameraRecordLengthAt = 12;
constexpr std::size_t kFirstBlockLengthAt = 22;
constexpr std::size_t kFirstBlockCountAt = 26;

const char* const kPastFile = "Corrupt file (record runs past the end of the file).";
const char* const kPastRecord = "Corrupt file (field runs past the end of its record).";
const char* const kTooMany = "Corrupt file (count larger than the remaining bytes).";
const char* const kInvalidLength = "Corrupt file (invalid length or size).";

class X2DCorruptTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WriteX2DRecording(path_, recording_));
        original_ = ReadFileBytes(path_);
        ASSERT_TRUE(reader_.Open(path_, false));
        const VX2DImportImpl& impl = reader_.GetImpl();
        for (std::size_t i = 0; i < impl.GetIndexTable().GetCount(); ++i)
        {
            VIndexTable::VEntry entry;
            ASSERT_TRUE(impl.GetIndexTable().GetEntry(std::int64_t(i), entry));
            frameOffsets_.push_back(std::size_t(entry.offset));
        }
        indexOffset_ = std::size_t(impl.GetIndexOffset());
        std::size_t formatsEnd = kFirstFormatAt;
        for (const VDataFormatInfo& format : impl.GetFormats())
        {
            VByteWriter bytes;
            RecordSchema::WriteFormatInfo(bytes, format);
            formatsEnd += RecordSchema::kSectionMarkerSize + bytes.GetSize();
        }
        indexOffsetAt_ = formatsEnd + RecordSchema::kSectionMarkerSize;
        dataOffsetAt_ = indexOffsetAt_ + 8 + RecordSchema::kSectionMarkerSize;
        reader_.Close();
    }

    // Opens `bytes` and reads every frame of its index; true when everything succeeded. Every
    // failure must leave a message, except frames of a file without frame information.
    bool OpenAndReadAll(const std::vector<std::uint8_t>& bytes)
    {
        reader_.Close();
        WriteFileBytes(path_, bytes);
        if (!reader_.Open(path_, true))
        {
            EXPECT_FALSE(reader_.GetErrors().empty());
            return false;
        }
        const VX2DImportImpl& impl = reader_.GetImpl();
        bool all = true;
        for (std::size_t i = 0; i < impl.GetIndexTable().GetCount(); ++i)
        {
            const std::size_t before = reader_.GetErrors().size();
            VX2DFrameResults results(2);
            const bool read = results.Read(reader_, std::int32_t(i));
            const bool silent = reader_.GetErrors().size() == before;
            EXPECT_TRUE(read || !silent || impl.GetFrameInfoHolder() == nullptr)
                << "silent failure";
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
    std::string path_ = dir_.Path("damaged.x2d");
    VX2DRecording recording_ = MakeX2DRecording(2, 3);
    std::vector<std::uint8_t> original_;
    std::vector<std::size_t> frameOffsets_;
    std::size_t indexOffset_ = 0;
    std::size_t indexOffsetAt_ = 0;
    std::size_t dataOffsetAt_ = 0;
    VX2DImport reader_;
};

TEST_F(X2DCorruptTest, LayoutOfTheTestFileIsAsAssumed)
{
    EXPECT_EQ(original_.at(kCameraCountAt), 2);
    EXPECT_EQ(original_.at(kFormatCountAt), 5);
    EXPECT_EQ(ByteOrder::LoadLittleEndian64(&original_.at(indexOffsetAt_)), indexOffset_);
    EXPECT_EQ(ByteOrder::LoadLittleEndian64(&original_.at(dataOffsetAt_)), frameOffsets_.at(0));
    EXPECT_EQ(original_.at(frameOffsets_[0] + kFirstBlockCountAt), 2) << "centroids of camera 0";
    EXPECT_TRUE(OpenAndReadAll(original_));
}

TEST_F(X2DCorruptTest, EveryTruncationFailsCleanlyOrReadsWhatIsThere)
{
    for (std::size_t size = 0; size < original_.size(); ++size)
    {
        SCOPED_TRACE("truncated to " + std::to_string(size));
        OpenAndReadAll({original_.begin(), original_.begin() + std::ptrdiff_t(size)});
    }
}

TEST_F(X2DCorruptTest, TruncatedFramesAreLeftOutOfARebuiltIndex)
{
    const std::size_t cut = frameOffsets_.back() + 40;
    EXPECT_TRUE(OpenAndReadAll({original_.begin(), original_.begin() + std::ptrdiff_t(cut)}));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Could not find the index table in the file."));
    EXPECT_EQ(reader_.GetNumberOfFrames(), 2);
}

TEST_F(X2DCorruptTest, EveryFieldOverwrittenWithExtremeValuesIsSurvived)
{
    for (const std::uint32_t value : {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFF0u, 0u, 4u})
        for (std::size_t offset = 0; offset + 4 <= original_.size(); ++offset)
        {
            SCOPED_TRACE("value " + std::to_string(value) + " at " + std::to_string(offset));
            OpenAndReadAll(Patched32(offset, value));
        }
}

TEST_F(X2DCorruptTest, HeaderCountsBeyondTheFileAreRefused)
{
    for (const std::uint32_t count : {0x7FFFFFFFu, 0xFFFFFFFFu, 1000u})
    {
        EXPECT_FALSE(OpenAndReadAll(Patched32(kCameraCountAt, count)));
        EXPECT_THAT(reader_.GetErrors(), ElementsAre("Invalid file header (number of cameras)."));
        EXPECT_FALSE(OpenAndReadAll(Patched32(kFormatCountAt, count)));
        EXPECT_THAT(reader_.GetErrors(), ElementsAre(kTooMany));
        EXPECT_FALSE(OpenAndReadAll(Patched32(indexOffset_, count)));
        EXPECT_THAT(reader_.GetErrors(), ElementsAre(kTooMany));
    }
    // The first format's descriptor count.
    EXPECT_FALSE(OpenAndReadAll(Patched32(kFirstFormatAt + 8, 0x10000000)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kTooMany));
}

TEST_F(X2DCorruptTest, OffsetsOutsideTheFileAreRefusedOrRebuilt)
{
    std::vector<std::uint8_t> bytes = original_;
    PatchInt64(bytes, dataOffsetAt_, std::uint64_t(-1));
    EXPECT_FALSE(OpenAndReadAll(bytes));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Invalid file header (data offset)."));
    PatchInt64(bytes, dataOffsetAt_, original_.size() + 1);
    EXPECT_FALSE(OpenAndReadAll(bytes));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Invalid file header (data offset)."));

    bytes = original_;
    PatchInt64(bytes, indexOffsetAt_, std::uint64_t(1) << 40);
    EXPECT_TRUE(OpenAndReadAll(bytes)) << "the index is rebuilt";
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Could not find the index table in the file."));

    // An index entry pointing outside the file.
    bytes = original_;
    PatchInt64(bytes, indexOffset_ + 8, std::uint64_t(1) << 62);
    EXPECT_FALSE(OpenAndReadAll(bytes));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kPastFile));
}

TEST_F(X2DCorruptTest, FrameAndRecordLengthsAreBounded)
{
    const std::size_t frame = frameOffsets_[1];
    EXPECT_FALSE(OpenAndReadAll(Patched32(frame + kFrameLengthAt, 0x7FFFFFFF)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kPastFile));
    EXPECT_FALSE(OpenAndReadAll(Patched32(frame + kFrameLengthAt, 0)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Could not read frame."));
    EXPECT_FALSE(OpenAndReadAll(Patched32(frame + kFrameLengthAt, 15)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kTooMany)) << "two cameras in 15 bytes";

    EXPECT_FALSE(OpenAndReadAll(Patched32(frame + kCameraRecordLengthAt, 0x7FFFFFFF)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kPastFile));
    const std::uint32_t intoNextFrame = std::uint32_t(frameOffsets_[2] - frame);
    EXPECT_FALSE(OpenAndReadAll(Patched32(frame + kCameraRecordLengthAt, intoNextFrame)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kPastRecord));
    EXPECT_FALSE(OpenAndReadAll(Patched32(frame + kCameraRecordLengthAt, 0xFFFFFFF0)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kInvalidLength));
}

TEST_F(X2DCorruptTest, OverlongBlockEndsItsRecordAndHugeItemCountsAreNoPromise)
{
    std::vector<std::uint8_t> bytes = Patched32(frameOffsets_[0] + kFirstBlockLengthAt, 0x7FFFFFFF);
    PatchInt32(bytes, frameOffsets_[1] + kFirstBlockCountAt, 0xFFFFFFFF);
    EXPECT_TRUE(OpenAndReadAll(bytes));
    EXPECT_THAT(reader_.GetErrors(), IsEmpty());
    VX2DFrameResults results(2);
    ASSERT_TRUE(results.Read(reader_, 0));
    EXPECT_THAT(results.centroidSets[0]->centroids, IsEmpty());
    ExpectCameraItems(recording_.frames[0].cameras[1], results, 1);
    ASSERT_TRUE(results.Read(reader_, 1));
    ExpectFrame(recording_.frames[1], results);
}

TEST_F(X2DCorruptTest, ItemsThatTakeNoBytesAreRefused)
{
    // The edge pair format (the fourth) turned into three unknown fields of size 0.
    ASSERT_TRUE(reader_.Open(path_, false));
    std::size_t at = kFirstFormatAt;
    for (std::size_t format = 0; format < 3; ++format)
    {
        VByteWriter bytes;
        RecordSchema::WriteFormatInfo(bytes, reader_.GetImpl().GetFormats()[format]);
        at += RecordSchema::kSectionMarkerSize + bytes.GetSize();
    }
    const std::size_t firstDescriptor = at + RecordSchema::kSectionMarkerSize + 6;
    std::vector<std::uint8_t> bytes = original_;
    for (std::size_t field = 0; field < 3; ++field)
    {
        const std::size_t descriptor = firstDescriptor + field * 10;
        bytes.at(descriptor) = bytes.at(descriptor + 1) = 0x77;
        PatchInt32(bytes, descriptor + 2, 0);
    }
    EXPECT_FALSE(OpenAndReadAll(bytes));
    const char* const kEmpty = "Corrupt file (data item without content).";
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kEmpty, kEmpty, kEmpty));
}
} // namespace
