// Damaged files: whatever the bytes say, Open and ReadFrame end with a result and, on failure,
// a message; they never read outside the file or allocate what the file cannot hold.

#include "../CorruptFileTest.h"
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
using namespace ReaderErrors;

constexpr std::size_t kCameraCountAt = 10;
constexpr std::size_t kFormatCountAt = 30;
constexpr std::size_t kFirstFormatAt = 34;
// Within a frame: the frame marker, the first camera record marker, then its first block.
constexpr std::size_t kCameraRecordLengthAt = 12;
constexpr std::size_t kFirstBlockLengthAt = 22;
constexpr std::size_t kFirstBlockCountAt = 26;

class X2DCorruptTest : public VCorruptFileTest
{
protected:
    X2DCorruptTest() : VCorruptFileTest("damaged.x2d") {}

    void SetUp() override
    {
        ASSERT_TRUE(WriteX2DRecording(path_, recording_));
        LoadOriginal();
        indexOffsetAt_ = FormatSectionsEnd(formats_.size()) + RecordSchema::kSectionMarkerSize;
        dataOffsetAt_ = indexOffsetAt_ + 8 + RecordSchema::kSectionMarkerSize;
    }

    // Where the section of data format `count` begins, or the section after the formats.
    std::size_t FormatSectionsEnd(std::size_t count) const
    {
        std::size_t at = kFirstFormatAt;
        for (std::size_t format = 0; format < count; ++format)
        {
            VByteWriter bytes;
            RecordSchema::WriteFormatInfo(bytes, formats_.at(format));
            at += RecordSchema::kSectionMarkerSize + bytes.GetSize();
        }
        return at;
    }

    bool Open(const std::string& path) override { return reader_.Open(path, true); }
    void Close() override { reader_.Close(); }
    const VFrameFileReader& Core() const override { return reader_.GetImpl(); }
    bool ReadFrame(std::int32_t index) override
    {
        VX2DFrameResults results(2);
        return results.Read(reader_, index);
    }
    // Frames of a file without frame information fail without a message.
    bool MayFailSilently() const override
    {
        return reader_.GetImpl().GetFrameInfoHolder() == nullptr;
    }

    VX2DRecording recording_ = MakeX2DRecording(2, 3);
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
    SweepTruncations();
}

TEST_F(X2DCorruptTest, CutFrameWithItsMarkerIntactStaysInARebuiltIndexButDoesNotRead)
{
    EXPECT_FALSE(OpenAndReadAll(Truncated(frameOffsets_.back() + 40)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kNoIndexTable, kPastFile));
    EXPECT_EQ(reader_.GetNumberOfFrames(), 3);
    VX2DFrameResults results(2);
    ASSERT_TRUE(results.Read(reader_, 1));
    ExpectFrame(recording_.frames[1], results);

    // Without its whole marker, the cut frame is no frame of the file.
    EXPECT_TRUE(OpenAndReadAll(Truncated(frameOffsets_.back() + 9)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kNoIndexTable));
    EXPECT_EQ(reader_.GetNumberOfFrames(), 2);
}

TEST_F(X2DCorruptTest, EveryFieldOverwrittenWithExtremeValuesIsSurvived)
{
    SweepOverwrites();
}

TEST_F(X2DCorruptTest, HeaderCountsBeyondTheFileAreRefused)
{
    EXPECT_FALSE(OpenAndReadAll(Patched32(kCameraCountAt, 0x7FFFFFFF)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kTooMany));
    EXPECT_FALSE(OpenAndReadAll(Patched32(kCameraCountAt, 0xFFFFFFFF)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Invalid file header (number of cameras)."));
    // A count the file can hold opens; frames too short for that many cameras do not read.
    EXPECT_FALSE(OpenAndReadAll(Patched32(kCameraCountAt, 1000)));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kTooMany, kTooMany, kTooMany));

    for (const std::uint32_t count : {0x7FFFFFFFu, 0xFFFFFFFFu, 1000u})
    {
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
    ExpectOffsetsOutsideTheFileRefusedOrRebuilt(indexOffsetAt_, dataOffsetAt_);

    // An index entry pointing outside the file.
    std::vector<std::uint8_t> bytes = original_;
    PatchInt64(bytes, indexOffset_ + 8, std::uint64_t(1) << 62);
    EXPECT_FALSE(OpenAndReadAll(bytes));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kPastFile));
}

TEST_F(X2DCorruptTest, FrameAndRecordLengthsAreBounded)
{
    const std::size_t frame = frameOffsets_[1];
    ExpectFrameLengthBounded(frame);
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

TEST_F(X2DCorruptTest, RoomIsReservedOnlyForItemsTheBlockCanHold)
{
    // Camera 0's centroid block of frame 1 holds two centroids of 11 bytes, not 1000.
    EXPECT_TRUE(OpenAndReadAll(Patched32(frameOffsets_[1] + kFirstBlockCountAt, 1000)));
    VX2DFrameResults results(2);
    ASSERT_TRUE(results.Read(reader_, 1));
    EXPECT_EQ(results.centroidSets[0]->centroids.size(), 2u);
    EXPECT_LT(results.centroidSets[0]->centroids.capacity(), 1000u);
}

TEST_F(X2DCorruptTest, ItemsThatTakeNoBytesAreRefused)
{
    // The edge pair format (the fourth) turned into three unknown fields of size 0.
    ASSERT_TRUE(reader_.Open(path_, false));
    const std::size_t firstDescriptor = FormatSectionsEnd(3) + RecordSchema::kSectionMarkerSize + 6;
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
