// The X2D records decoded on their own: fixed-point centroid fields, greyscale blob lines, the
// camera list's window text and the start timecode.

#include "../MappedBytesTest.h"

#include "FileIO/X2DIO/CameraInfoHeader.h"
#include "FileIO/X2DIO/DataHolderCentroidSet.h"
#include "FileIO/X2DIO/DataHolderGreyscaleBlobSet.h"
#include "FileIO/X2DIO/Timecode.h"
#include "FileIO/X2DIO/ValueCodec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

using namespace X2DIO;

namespace
{
using ::testing::ElementsAre;

class X2DRecordTest : public VMappedBytesTest
{
};

VDataFormatInfo CentroidFormat(std::int32_t size, double scale)
{
    return {VDataHolderCentroidSet::kFormatIdentifier,
            {{VDataHolderCentroidSet::kXKey, size, ValueCodec::StoreFloat(float(scale))}}};
}

TEST_F(X2DRecordTest, FixedPointFieldIsScaledByTheFloatInItsDescriptor)
{
    VByteWriter bytes;
    bytes.PutBytes("\x00\x01\x00", 3);
    CentroidSet set;
    VDataHolderCentroidSet holder;
    holder.SetTarget(&set);
    ASSERT_TRUE(holder.ReadItem(ReaderOver(bytes), CentroidFormat(3, std::ldexp(1.0, -8))));
    ASSERT_EQ(set.centroids.size(), 1u);
    EXPECT_EQ(set.centroids[0].x, 1.0);
    EXPECT_EQ(set.centroids[0].y, 0.0);
}

TEST_F(X2DRecordTest, FixedPointFieldsWiderThan64BitsOrWithoutScaleAreRefused)
{
    VByteWriter bytes;
    bytes.PutFill(1, 16);
    CentroidSet set;
    VDataHolderCentroidSet holder;
    holder.SetTarget(&set);
    EXPECT_FALSE(holder.ReadItem(ReaderOver(bytes), CentroidFormat(9, 1.0)));
    EXPECT_EQ(reader_.GetFailure(), EReadFailure::InvalidLength);

    VDataFormatInfo format = CentroidFormat(2, 1.0);
    format.fields[0].extra.resize(3);
    EXPECT_FALSE(holder.ReadItem(ReaderOver(bytes), format));
    EXPECT_TRUE(set.centroids.empty());
}

TEST_F(X2DRecordTest, PaddingTakesTheBitsItsDescriptorNamesWithOrWithoutTarget)
{
    VDataFormatInfo format = CentroidFormat(1, 1.0);
    format.fields.insert(format.fields.begin(),
                         {VDataHolderCentroidSet::kPaddingKey, 0, ValueCodec::StoreUInt32(9)});
    VByteWriter bytes;
    bytes.PutBytes("\xFF\xFF\x05\xFF\xFF\x06", 6);
    CentroidSet set;
    VDataHolderCentroidSet holder;
    holder.SetTarget(&set);
    VBoundedReader& reader = ReaderOver(bytes);
    ASSERT_TRUE(holder.ReadItem(reader, format));
    holder.SetTarget(nullptr);
    ASSERT_TRUE(holder.ReadItem(reader, format));
    EXPECT_EQ(reader.Tell(), 6u);
    ASSERT_EQ(set.centroids.size(), 1u);
    EXPECT_EQ(set.centroids[0].x, 5.0);
}

// A blob whose 0xBB00 field has length `total`, `lines` lines and the given pixel counts.
VByteWriter BlobItem(std::int32_t total, std::uint16_t lines, std::vector<std::uint16_t> pixels)
{
    VByteWriter bytes;
    bytes.PutInt32(total);
    bytes.PutUInt16(lines);
    for (const std::uint16_t count : pixels)
    {
        bytes.PutUInt16(7);
        bytes.PutUInt16(8);
        bytes.PutUInt16(count);
        bytes.PutFill(0x55, count);
    }
    bytes.PutUInt32(0x12345);
    bytes.PutFill(0, 64);
    return bytes;
}

TEST_F(X2DRecordTest, BlobLinesAndPixelsStayWithinTheirField)
{
    GreyscaleBlobSet set;
    VDataHolderGreyscaleBlobSet holder;
    holder.SetTarget(&set);
    const VDataFormatInfo format = VDataHolderGreyscaleBlobSet::DefaultFormat();

    ASSERT_TRUE(holder.ReadItem(ReaderOver(BlobItem(6 + 12 + 5, 2, {2, 3})), format));
    EXPECT_THAT(set.blobs, ElementsAre(GreyscaleBlob{0, 2, 0x2345}));
    EXPECT_THAT(set.lines, ElementsAre(GreyscaleLine{7, 8, 2, 0}, GreyscaleLine{7, 8, 3, 2}));
    EXPECT_EQ(set.pixels, std::vector<std::uint8_t>(5, 0x55));

    holder.Reset();
    EXPECT_FALSE(holder.ReadItem(ReaderOver(BlobItem(6 + 12 + 4, 2, {2, 3})), format))
        << "pixels past the field";
    EXPECT_EQ(reader_.GetFailure(), EReadFailure::PastRecordEnd);
    EXPECT_FALSE(holder.ReadItem(ReaderOver(BlobItem(6 + 12 + 5, 2, {11})), format))
        << "pixels in the place of the second line's header";
    EXPECT_EQ(reader_.GetFailure(), EReadFailure::PastRecordEnd);
    EXPECT_FALSE(holder.ReadItem(ReaderOver(BlobItem(6 + 12, 3, {0, 0})), format))
        << "lines past the field";
    EXPECT_EQ(reader_.GetFailure(), EReadFailure::CountTooLarge);
    const std::size_t pixels = set.pixels.size();
    EXPECT_FALSE(holder.ReadItem(ReaderOver(BlobItem(0x7FFFFFFF, 1, {1})), format));
    EXPECT_EQ(reader_.GetFailure(), EReadFailure::PastFileEnd);
    EXPECT_EQ(set.pixels.size(), pixels) << "nothing is allocated for a length past the file";
}

TEST_F(X2DRecordTest, CameraListDefaultsAndWindowText)
{
    // A camera description with the identifier and the window list only.
    const VFieldDescriptor identifier{std::int16_t(0xAA02), 4, {}};
    const VFieldDescriptor windows{std::int16_t(0xAA10), VFieldDescriptor::kVariableSize, {}};
    VByteWriter bytes;
    RecordSchema::WriteFormatInfo(bytes, VCameraInfoFormats::Default().header);
    ValueCodec::PutDouble(bytes, 59.94);
    const std::size_t list = RecordSchema::BeginVariableField(bytes);
    RecordSchema::WriteFormatInfo(bytes, {std::int16_t(0xCFAA), {windows, identifier}});
    bytes.PutUInt32(2);
    RecordSchema::WriteStringField(bytes, "2 1 2 3 4 5\n6 7 8 9");
    bytes.PutInt32(77);
    RecordSchema::WriteStringField(bytes, "x");
    bytes.PutInt32(78);
    RecordSchema::EndVariableField(bytes, list);

    VCameraInfoHeader header;
    ASSERT_TRUE(header.Read(ReaderOver(bytes)));
    EXPECT_EQ(header.GetFrameRate(), 59.94);
    ASSERT_EQ(header.GetCameras().size(), 2u);
    CameraInfo first;
    first.identifier = 77;
    first.windows = {{1, 2, 3, 4, 5}};
    EXPECT_EQ(header.GetCameras()[0], first) << "the incomplete second window is dropped";
    CameraInfo second;
    second.identifier = 78;
    second.valueB = 1;
    EXPECT_EQ(header.GetCameras()[1], second);
}

TEST_F(X2DRecordTest, CameraCountBeyondTheListIsRefusedBeforeAllocating)
{
    VByteWriter bytes;
    RecordSchema::WriteFormatInfo(bytes, VCameraInfoFormats::Default().header);
    ValueCodec::PutDouble(bytes, 100.0);
    const std::size_t list = RecordSchema::BeginVariableField(bytes);
    RecordSchema::WriteFormatInfo(bytes, {std::int16_t(0xCFAA), {}});
    bytes.PutUInt32(0xFFFFFFFF);
    RecordSchema::EndVariableField(bytes, list);
    bytes.PutFill(0, 64);
    VCameraInfoHeader header;
    EXPECT_FALSE(header.Read(ReaderOver(bytes)));
    EXPECT_EQ(reader_.GetFailure(), EReadFailure::CountTooLarge);
}

TEST(TimecodeTest, DropFrameSkipsFramesZeroAndOneOfMinutesButEveryTenth)
{
    Timecode timecode;
    EXPECT_TRUE(timecode.Parse("10 0 0 1 0 0 2 1", 1350000));
    EXPECT_EQ(timecode.standard, TimecodeStandard::Timecode30Drop);
    EXPECT_FALSE(timecode.Parse("10 1 0 1 0 0 2 1", 1350000));
    EXPECT_TRUE(timecode.Parse("10 1 0 2 0 0 2 1", 1350000));
    EXPECT_TRUE(timecode.Parse("10 1 1 0 0 0 2 1", 1350000));
}

TEST(TimecodeTest, FamilyMemberFollowsTheCameraFramePeriod)
{
    Timecode timecode;
    EXPECT_TRUE(timecode.Parse("0 0 0 0 0 0 1 0", 1125000)); // 120 Hz
    EXPECT_EQ(timecode.standard, TimecodeStandard::Timecode30);
    EXPECT_TRUE(timecode.Parse("0 0 0 0 0 0 1 0", 1126125)); // 119.88 Hz
    EXPECT_EQ(timecode.standard, TimecodeStandard::Timecode30Drift);
    EXPECT_TRUE(timecode.Parse("0 0 0 23 0 0 3 0", 1125000));
    EXPECT_EQ(timecode.standard, TimecodeStandard::Timecode24);
    EXPECT_TRUE(timecode.Parse("0 0 0 0 0 0 3 0", 0));
    EXPECT_EQ(timecode.standard, TimecodeStandard::Timecode24Drift);
    EXPECT_EQ(Timecode::GetTicksPerFrame(TimecodeStandard::Timecode24Drift), 5630625u);
    EXPECT_TRUE(timecode.Parse("0 0 0 24 0 0 0 0", 1125000));
    EXPECT_EQ(timecode.standard, TimecodeStandard::Timecode25);
}

TEST(TimecodeTest, ValidityLimitsEachPart)
{
    Timecode timecode;
    EXPECT_TRUE(timecode.Parse("23 59 59 24 3 0 0 4", 1350000));
    EXPECT_EQ(timecode.subframeOffset, 4050000u);
    for (const char* text : {"24 0 0 0 0 0 0 1", "0 60 0 0 0 0 0 1", "0 0 60 0 0 0 0 1",
                             "0 0 0 25 0 0 0 1", "0 0 0 0 4 0 0 4", "0 0 0 0 0 0 4 1",
                             "0 0 0 0 0 0 0", "0 0 0 0 -1 0 0 1", "a b c d e f g h"})
        EXPECT_FALSE(timecode.Parse(text, 1350000)) << text;
}

TEST(TimecodeTest, PartsThatDoNotFitTheirByteMakeItInvalid)
{
    Timecode timecode;
    // Cut to a byte, each of these would read as a valid 00:00:00:00.
    for (const char* text : {"256 0 0 0 0 0 0 1", "0 256 0 0 0 0 0 1", "0 0 256 0 0 0 0 1",
                             "0 0 0 256 0 0 0 1", "-256 0 0 0 0 0 0 1", "0 -256 0 0 0 0 0 1"})
    {
        EXPECT_FALSE(timecode.Parse(text, 1350000)) << text;
        EXPECT_FALSE(timecode.IsValid()) << text;
    }
    EXPECT_TRUE(timecode.Parse("0 0 0 0 0 0 0 1", 1350000));
}

TEST(TimecodeTest, TextIsExactlyEightDecimalIntegers)
{
    Timecode timecode;
    for (const char* text : {"1 2 3 4 0 0 0 1x", "1 2 3 4 0 0 0 1 9", "1 2 3 4 0 0 0 0x1",
                             "1 2 3 4.5 0 0 0 1", "1 2 3 4 0 0 0 99999999999999999999"})
        EXPECT_FALSE(timecode.Parse(text, 1350000)) << text;
    EXPECT_TRUE(timecode.Parse("  1\t2\n3 4 0 0 0 1 ", 1350000)) << "any white space separates";
    EXPECT_EQ(timecode.ToText(), "1 2 3 4 0 1 0 1");
}

TEST(TimecodeTest, TextFormRoundTripsAndSetsTheFieldFlag)
{
    Timecode timecode;
    ASSERT_TRUE(timecode.Parse("1 2 3 4 1 0 2 2", 1350000));
    EXPECT_EQ(timecode.ToText(), "1 2 3 4 1 1 2 2");
    ASSERT_TRUE(timecode.Parse("1 2 3 4 2 1 3 3", 1350000));
    EXPECT_EQ(timecode.ToText(), "1 2 3 4 2 0 3 3");
}
} // namespace
