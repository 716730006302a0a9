#include "Utils/UtilsIO/InputFileStream64.h"
#include "Utils/UtilsIO/OutputFileStream64.h"
#include "tests/Utils/UtilsIO/PatternBytes.h"
#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

using BriselTest::ReadFileBytes;
using BriselTest::TempDirectory;
using UtilsIO::fstream64;
using UtilsIO::ifstream64;
using UtilsIO::ofstream64;

namespace
{

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

std::vector<std::uint8_t> ReadBytes(ifstream64& in, std::uint64_t length)
{
    std::vector<std::uint8_t> bytes(length);
    EXPECT_TRUE(in.Read(bytes.data(), length));
    return bytes;
}

class FileStream64Test : public testing::Test
{
protected:
    const std::uint64_t size_ = 3 * kMiB + 321; // over three 1 MiB buffers
    TempDirectory directory_;
    const std::string path_ = directory_.WriteFile("data.bin", PatternBytes(0, size_));
};

TEST_F(FileStream64Test, RoundTripAcrossBufferBoundaries)
{
    const std::string path = directory_.Path("copy.bin");
    const std::vector<std::uint8_t> bytes = PatternBytes(0, size_);
    ofstream64 out(1);
    ASSERT_TRUE(out.Open(path));
    for (std::uint64_t done = 0; done < size_; done += 77777)
    {
        EXPECT_TRUE(out.Write(bytes.data() + done, std::min<std::uint64_t>(77777, size_ - done)));
    }
    EXPECT_EQ(out.Tell(), size_);
    ASSERT_TRUE(out.Close());
    EXPECT_EQ(ReadFileBytes(path), bytes);

    ifstream64 in(1);
    ASSERT_TRUE(in.Open(path));
    EXPECT_EQ(in.GetSize(), size_);
    std::vector<std::uint8_t> back;
    for (std::uint64_t done = 0; done < size_; done += 100003)
    {
        const std::vector<std::uint8_t> chunk =
            ReadBytes(in, std::min<std::uint64_t>(100003, size_ - done));
        back.insert(back.end(), chunk.begin(), chunk.end());
    }
    EXPECT_EQ(back, bytes);
    EXPECT_TRUE(in.IsEnd());
    EXPECT_TRUE(in.IsGood());
}

TEST_F(FileStream64Test, SeekInsideAndOutsideTheBuffer)
{
    ifstream64 in(1);
    ASSERT_TRUE(in.Open(path_));
    EXPECT_EQ(ReadBytes(in, 10), PatternBytes(0, 10));
    for (const std::uint64_t offset :
         {std::uint64_t{500000}, std::uint64_t{5}, 2 * kMiB + 17, std::uint64_t{1000}, kMiB - 3})
    {
        ASSERT_TRUE(in.Seek(offset)) << offset;
        EXPECT_EQ(in.Tell(), offset);
        EXPECT_EQ(ReadBytes(in, 20), PatternBytes(offset, 20)) << offset;
    }
    EXPECT_TRUE(in.IsGood());
}

TEST_F(FileStream64Test, ReadingPastTheEndSetsTheShortReadFlag)
{
    ifstream64 in(1);
    ASSERT_TRUE(in.Open(path_));
    std::vector<std::uint8_t> bytes(100, 0xEE);
    ASSERT_TRUE(in.Seek(size_ - 10));
    EXPECT_FALSE(in.Read(bytes.data(), bytes.size()));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 10),
              PatternBytes(size_ - 10, 10));
    EXPECT_EQ(bytes[10], 0xEE);
    EXPECT_EQ(in.GetFlags(), fstream64::kShortRead);
    EXPECT_TRUE(in.IsEnd());

    ASSERT_TRUE(in.Seek(0));
    EXPECT_FALSE(in.Read(bytes.data(), 1)) << "flags stay until cleared";
    in.ClearFlags();
    EXPECT_EQ(ReadBytes(in, 4), PatternBytes(0, 4));
}

TEST_F(FileStream64Test, SeekAtAndPastTheSize)
{
    ifstream64 in(1);
    ASSERT_TRUE(in.Open(path_));
    ASSERT_TRUE(in.Seek(size_));
    EXPECT_TRUE(in.IsEnd());
    EXPECT_TRUE(in.IsGood());
    std::uint8_t byte = 0;
    EXPECT_FALSE(in.Read(&byte, 1));
    EXPECT_EQ(in.GetFlags(), fstream64::kShortRead);

    in.ClearFlags();
    EXPECT_FALSE(in.Seek(size_ + 1));
    EXPECT_EQ(in.GetFlags(), fstream64::kFailed);
    EXPECT_EQ(in.Tell(), size_);
    EXPECT_TRUE(in.IsEnd());
}

TEST_F(FileStream64Test, StreamsWithoutAFileRefuseEverything)
{
    ifstream64 in(1);
    std::uint8_t byte = 0;
    EXPECT_FALSE(in.Open(directory_.Path("missing.bin")));
    EXPECT_FALSE(in.IsGood());
    EXPECT_FALSE(in.Read(&byte, 1));
    EXPECT_FALSE(in.Seek(0));
    EXPECT_FALSE(in.Close());
    EXPECT_FALSE(in.Open(directory_.Path()));
    EXPECT_EQ(in.GetFlags(), fstream64::kFailed);

    ofstream64 out(1);
    EXPECT_FALSE(out.Open(directory_.Path("no/such/folder.bin")));
    EXPECT_FALSE(out.Flush());
    EXPECT_FALSE(out.Close());
}

TEST_F(FileStream64Test, SeekBackPatchesAHeaderField)
{
    const std::string path = directory_.Path("patched.bin");
    const std::vector<std::uint8_t> body = PatternBytes(100, 2 * kMiB + 5);
    const std::vector<std::uint8_t> field = {0xDE, 0xAD, 0xBE, 0xEF};
    ofstream64 out(1);
    ASSERT_TRUE(out.Open(path));
    out.Write(std::vector<std::uint8_t>(16, 0).data(), 16);
    out.Write(body.data(), body.size());
    ASSERT_TRUE(out.Seek(4));
    out.Write(field.data(), field.size());
    EXPECT_EQ(out.Tell(), 8u);
    ASSERT_TRUE(out.Close());

    std::vector<std::uint8_t> expected(16, 0);
    std::copy(field.begin(), field.end(), expected.begin() + 4);
    expected.insert(expected.end(), body.begin(), body.end());
    EXPECT_EQ(ReadFileBytes(path), expected);
}

TEST(FileStream64ErrorTest, FailedWritesAreReportedByFlushAndClose)
{
    ofstream64 out(1);
    ASSERT_TRUE(out.Open("/dev/full"));
    EXPECT_TRUE(out.Write("abc", 3));
    EXPECT_TRUE(out.IsGood()) << "nothing written to the file yet";
    EXPECT_FALSE(out.Flush());
    EXPECT_FALSE(out.IsGood());
    EXPECT_EQ(out.GetFlags(), fstream64::kFailed);
    EXPECT_FALSE(out.Close());

    ASSERT_TRUE(out.Open("/dev/full"));
    EXPECT_TRUE(out.IsGood()) << "a new file starts with clear flags";
    const std::vector<std::uint8_t> buffers(2 * kMiB);
    EXPECT_TRUE(out.Write(buffers.data(), buffers.size()));
    EXPECT_FALSE(out.IsGood()) << "full buffers were written and failed";
    EXPECT_FALSE(out.Seek(0));
    EXPECT_FALSE(out.Close());
}

} // namespace
