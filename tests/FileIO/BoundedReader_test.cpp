#include "FileIO/BoundedReader.h"

#include "Utils/UtilsIO/MemoryMappedStream.h"
#include "tests/FileIO/TestFiles.h"

#include <gtest/gtest.h>

namespace
{
constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

std::uint8_t PatternByte(std::uint64_t offset)
{
    return std::uint8_t(offset * 7 + offset / 251);
}

std::vector<std::uint8_t> Pattern(std::uint64_t offset, std::uint64_t length)
{
    std::vector<std::uint8_t> bytes(length);
    for (std::uint64_t i = 0; i < length; ++i)
        bytes[i] = PatternByte(offset + i);
    return bytes;
}

// A file of three 1 MiB windows and a short fourth, read with one window mapped at a time, so
// every move to another window unmaps the one the reader viewed before.
class BoundedReaderTest : public ::testing::Test
{
protected:
    BoundedReaderTest()
    {
        WriteFileBytes(path_, Pattern(0, size_));
        EXPECT_TRUE(stream_.Open(path_));
        reader_.Rewind();
    }

    std::vector<std::uint8_t> ReadAt(std::uint64_t offset, std::uint64_t length)
    {
        std::vector<std::uint8_t> bytes(length);
        EXPECT_TRUE(reader_.Seek(offset));
        EXPECT_TRUE(reader_.ReadBytes(bytes.data(), length)) << offset << "+" << length;
        EXPECT_EQ(reader_.Tell(), offset + length);
        return bytes;
    }

    const std::uint64_t size_ = 3 * kMiB + 123;
    VTempDir dir_;
    std::string path_ = dir_.Path("windows.bin");
    UtilsIO::VMemoryMappedFileReadOnly stream_{1, 1};
    VBoundedReader reader_{stream_};
};

TEST_F(BoundedReaderTest, ReadsAcrossAndBetweenWindowsMatchTheFile)
{
    EXPECT_EQ(ReadAt(kMiB - 2, 4), Pattern(kMiB - 2, 4));
    EXPECT_EQ(ReadAt(10, 4), Pattern(10, 4)) << "back to a window unmapped meanwhile";
    EXPECT_EQ(ReadAt(5, 3 * kMiB), Pattern(5, 3 * kMiB));
    EXPECT_EQ(ReadAt(2 * kMiB + 1, 8), Pattern(2 * kMiB + 1, 8));
    EXPECT_EQ(ReadAt(size_ - 3, 3), Pattern(size_ - 3, 3));
    std::uint32_t value = 0;
    ASSERT_TRUE(reader_.Seek(kMiB - 1));
    ASSERT_TRUE(reader_.ReadUInt32(value));
    EXPECT_EQ(value, std::uint32_t(PatternByte(kMiB - 1)) | PatternByte(kMiB) << 8 |
                         PatternByte(kMiB + 1) << 16 | std::uint32_t(PatternByte(kMiB + 2)) << 24);
}

TEST_F(BoundedReaderTest, InPlaceReadsStayInsideOneWindow)
{
    ASSERT_TRUE(reader_.Seek(kMiB + 10));
    const std::uint8_t* bytes = reader_.ReadInPlace(100);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 100), Pattern(kMiB + 10, 100));
    EXPECT_EQ(reader_.Tell(), kMiB + 110);

    ASSERT_TRUE(reader_.Seek(2 * kMiB - 4));
    EXPECT_EQ(reader_.ReadInPlace(8), nullptr) << "the bytes span two windows";
    EXPECT_EQ(reader_.ReadInPlace(0), nullptr);
    EXPECT_EQ(reader_.Tell(), 2 * kMiB - 4);
    EXPECT_EQ(reader_.GetFailure(), EReadFailure::None);
    EXPECT_EQ(ReadAt(2 * kMiB - 4, 8), Pattern(2 * kMiB - 4, 8));
}

TEST_F(BoundedReaderTest, RefusedReadsLeaveThePositionWhereItWas)
{
    std::vector<std::uint8_t> bytes(16);
    ASSERT_TRUE(reader_.Seek(size_ - 4));
    EXPECT_FALSE(reader_.ReadBytes(bytes.data(), 5));
    EXPECT_EQ(reader_.GetFailure(), EReadFailure::PastFileEnd);
    EXPECT_EQ(reader_.Tell(), size_ - 4);
    reader_.ClearFailure();

    // Bytes that are mapped but lie past the record are refused just the same.
    ASSERT_TRUE(reader_.Seek(100));
    {
        VBoundedReader::VLimitScope record(reader_, 108);
        ASSERT_TRUE(record.IsValid());
        EXPECT_TRUE(reader_.ReadBytes(bytes.data(), 8));
        EXPECT_FALSE(reader_.ReadBytes(bytes.data(), 1));
        EXPECT_EQ(reader_.GetFailure(), EReadFailure::PastRecordEnd);
        EXPECT_EQ(reader_.Tell(), 108u);
    }
    EXPECT_TRUE(reader_.ReadBytes(bytes.data(), 16)) << "the limit ends with its scope";
    EXPECT_EQ(bytes, Pattern(108, 16));
}

TEST_F(BoundedReaderTest, NothingIsReadOnceTheStreamIsClosed)
{
    EXPECT_EQ(ReadAt(0, 8), Pattern(0, 8));
    stream_.Close();
    reader_.Rewind();
    std::uint8_t byte = 0;
    EXPECT_FALSE(reader_.ReadBytes(&byte, 1));
    EXPECT_EQ(reader_.GetFailure(), EReadFailure::PastFileEnd);
    EXPECT_TRUE(reader_.ReadBytes(&byte, 0));
}
} // namespace
