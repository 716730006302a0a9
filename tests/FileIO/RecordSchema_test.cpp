// The shared container pieces read back what they write, and refuse what cannot be.

#include "MappedBytesTest.h"

#include "FileIO/IndexTable.h"
#include "FileIO/RecordSchema.h"

#include <gtest/gtest.h>

namespace
{
class RecordSchemaTest : public VMappedBytesTest
{
protected:
    VByteWriter writer_;
};

TEST_F(RecordSchemaTest, FormatInfoRoundTripKeepsExtraBytes)
{
    const VDataFormatInfo format{std::int16_t(0xCFAA),
                                 {{0x11, 3, {0, 0, 0x80, 0x3F}}, {0x12, -1, {}}}};
    RecordSchema::WriteFormatInfo(writer_, format);
    VDataFormatInfo read;
    ASSERT_TRUE(RecordSchema::ReadFormatInfo(ReaderOver(writer_), read));
    EXPECT_EQ(read.identifier, format.identifier);
    ASSERT_EQ(read.fields.size(), 2u);
    EXPECT_EQ(read.fields[0].extra, format.fields[0].extra);
    EXPECT_EQ(read.fields[1].size, -1);
    EXPECT_EQ(read.GetMinimumItemSize(), 7u);
    EXPECT_TRUE(reader_.IsAtLimit());
}

TEST_F(RecordSchemaTest, FormatInfoRefusesImpossibleCountsAndSizes)
{
    writer_.PutInt16(1);
    writer_.PutInt32(0x7FFFFFFF);
    writer_.PutFill(0, 40);
    VDataFormatInfo read;
    EXPECT_FALSE(RecordSchema::ReadFormatInfo(ReaderOver(writer_), read));
    EXPECT_EQ(reader_.GetFailure(), EReadFailure::CountTooLarge);

    writer_.Clear();
    RecordSchema::WriteFormatInfo(writer_, {1, {{0x11, -2, {}}}});
    EXPECT_FALSE(RecordSchema::ReadFormatInfo(ReaderOver(writer_), read));
    EXPECT_EQ(reader_.GetFailure(), EReadFailure::InvalidLength);

    writer_.Clear();
    writer_.PutInt16(1);
    writer_.PutInt32(1);
    writer_.PutInt16(0x11);
    writer_.PutInt32(4);
    writer_.PutUInt32(0x7FFFFFFF); // extra bytes the file does not have
    EXPECT_FALSE(RecordSchema::ReadFormatInfo(ReaderOver(writer_), read));
    EXPECT_EQ(reader_.GetFailure(), EReadFailure::PastFileEnd);
}

TEST_F(RecordSchemaTest, SkipRuleUsesTheFixedSizeOrTheFieldsOwnLength)
{
    writer_.PutFill(1, 3);
    RecordSchema::WriteStringField(writer_, "eleven char");
    writer_.PutInt32(3); // a variable field may not be shorter than its length
    VBoundedReader& reader = ReaderOver(writer_);
    ASSERT_TRUE(RecordSchema::SkipField(reader, {1, 3, {}}));
    ASSERT_TRUE(RecordSchema::SkipField(reader, {2, -1, {}}));
    EXPECT_EQ(reader.Tell(), 3u + 4u + 11u);
    EXPECT_FALSE(RecordSchema::SkipField(reader, {3, -1, {}}));
    EXPECT_EQ(reader.GetFailure(), EReadFailure::InvalidLength);
}

TEST_F(RecordSchemaTest, LimitScopeSeparatesRecordEndFromFileEnd)
{
    writer_.PutFill(7, 20);
    VBoundedReader& reader = ReaderOver(writer_);
    std::string text;
    {
        VBoundedReader::VLimitScope record(reader, 8);
        ASSERT_TRUE(record.IsValid());
        std::int64_t value = 0;
        EXPECT_TRUE(reader.ReadInt64(value));
        std::int16_t more = 0;
        EXPECT_FALSE(reader.ReadInt16(more));
        EXPECT_EQ(reader.GetFailure(), EReadFailure::PastRecordEnd);
        reader.ClearFailure();
        VBoundedReader::VLimitScope wider(reader, 12);
        EXPECT_FALSE(wider.IsValid()) << "a record cannot reach past the one containing it";
        EXPECT_EQ(reader.GetLimit(), 8u);
    }
    reader.ClearFailure();
    EXPECT_EQ(reader.GetLimit(), 20u);
    EXPECT_FALSE(reader.Skip(13));
    EXPECT_EQ(reader.GetFailure(), EReadFailure::PastFileEnd);
    EXPECT_EQ(reader.Tell(), 8u) << "a refused read does not move";
}

TEST_F(RecordSchemaTest, StringFieldRoundTripAndLengthBeyondRecord)
{
    RecordSchema::WriteStringField(writer_, "Gridlark 1");
    RecordSchema::WriteStringField(writer_, "");
    VBoundedReader& reader = ReaderOver(writer_);
    std::string first, second = "x";
    ASSERT_TRUE(RecordSchema::ReadStringField(reader, first));
    ASSERT_TRUE(RecordSchema::ReadStringField(reader, second));
    EXPECT_EQ(first, "Gridlark 1");
    EXPECT_EQ(second, "");

    reader.Seek(0);
    VBoundedReader::VLimitScope record(reader, 8);
    EXPECT_FALSE(RecordSchema::ReadStringField(reader, first));
    EXPECT_EQ(reader.GetFailure(), EReadFailure::PastRecordEnd);
}

TEST_F(RecordSchemaTest, IndexTableOffsetsOfBothWidths)
{
    VIndexTable table;
    table.SetOffsets64(false);
    table.Append(5, -2);
    table.Append(6, 0x7FFFFFFF);
    table.Write(writer_);
    table.SetOffsets64(true);
    table.Append(7, std::int64_t(1) << 40);
    table.Write(writer_);

    VBoundedReader& reader = ReaderOver(writer_);
    VIndexTable read;
    read.SetOffsets64(false);
    ASSERT_TRUE(read.Read(reader));
    VIndexTable::VEntry entry;
    ASSERT_TRUE(read.GetEntry(0, entry));
    EXPECT_EQ(entry.offset, -2) << "32-bit offsets are sign-extended";
    read.SetOffsets64(true);
    ASSERT_TRUE(read.Read(reader));
    ASSERT_EQ(read.GetCount(), 3u);
    ASSERT_TRUE(read.GetEntry(2, entry));
    EXPECT_EQ(entry.frameNumber, 7);
    EXPECT_EQ(entry.offset, std::int64_t(1) << 40);
    EXPECT_FALSE(read.GetEntry(3, entry));
}

TEST_F(RecordSchemaTest, RebuildStopsAtOtherTagsBadLengthsAndTheEndOfTheFile)
{
    const auto frame = [&](std::int16_t tag, std::int32_t length, std::int32_t number)
    {
        RecordSchema::WriteRecordMarker(writer_, {tag, length, number});
        writer_.PutFill(0, std::size_t(std::max(length, 0)));
    };
    frame(-1, 0, 1);
    frame(-1, 3, 2);
    frame(0, 3, 3);
    frame(-1, 3, 4);
    VIndexTable table;
    table.Rebuild(ReaderOver(writer_), 0);
    std::vector<std::int32_t> numbers;
    table.GetFrameNumbers(numbers);
    EXPECT_EQ(numbers, (std::vector<std::int32_t>{1, 2}));

    writer_.Clear();
    frame(-1, 2, 1);
    RecordSchema::WriteRecordMarker(writer_, {-1, -10, 2});
    table.Rebuild(ReaderOver(writer_), 0);
    EXPECT_EQ(table.GetCount(), 1u) << "a negative length ends the scan";

    writer_.Clear();
    frame(-1, 2, 1);
    RecordSchema::WriteRecordMarker(writer_, {-1, 100, 2});
    table.Rebuild(ReaderOver(writer_), 0);
    EXPECT_EQ(table.GetCount(), 2u) << "a frame running past the file is listed and ends the scan";
    VIndexTable::VEntry cut;
    ASSERT_TRUE(table.GetEntry(1, cut));
    EXPECT_EQ(cut.offset, 12);
    EXPECT_EQ(reader_.GetFailure(), EReadFailure::None);
}
} // namespace
