#include "Utils/UtilsIO/MemoryMappedFileImpl.h"
#include "Utils/UtilsIO/MemoryMappedStream.h"
#include "Utils/UtilsIO/OutputFileStream64.h"
#include "tests/Utils/UtilsIO/PatternBytes.h"
#include "tests/diagnostics/StderrCapture.h"
#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using BriselTest::TempDirectory;
using UtilsIO::VMemoryMappedFileReadOnly;

namespace
{

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
constexpr std::uint64_t kGiB = kMiB << 10;

class MappedStreamTest : public testing::Test
{
protected:
    // Three 1 MiB windows and a short fourth one.
    const std::uint64_t size_ = 3 * kMiB + 123;
    TempDirectory directory_;
    const std::string path_ = directory_.WriteFile("trial.bin", PatternBytes(0, size_));
};

TEST_F(MappedStreamTest, SmallFileIsMappedOnceAndReportsOnePage)
{
    const std::string path = directory_.WriteFile("small.bin", PatternBytes(0, 1000));
    VMemoryMappedFileReadOnly stream(1, 2);
    ASSERT_TRUE(stream.Open(path));
    EXPECT_EQ(stream.GetSize(), 1000u);
    EXPECT_EQ(stream.GetSwaps(), 1u);
    EXPECT_EQ(ReadAt(stream, 0, 1000), PatternBytes(0, 1000));
    EXPECT_EQ(stream.GetSwaps(), 1u);

    StderrCapture capture;
    EXPECT_TRUE(stream.Close());
    EXPECT_NE(capture.Text().find("UtilsIO\\MemoryMappedStream:114: VMappedFileStreamInput stats: "
                                  "1 swaps, 1 pages in file.\n"),
              std::string::npos)
        << capture.Text();
}

TEST_F(MappedStreamTest, EmptyFileOpensWithNothingMapped)
{
    const std::string path = directory_.WriteFile("empty.bin", {});
    VMemoryMappedFileReadOnly stream(1, 2);
    ASSERT_TRUE(stream.Open(path));
    std::uint8_t byte = 0;
    EXPECT_EQ(stream.Read(1, &byte), 0u);
    EXPECT_TRUE(stream.IsEnd());
    EXPECT_EQ(stream.GetSwaps(), 0u);
    EXPECT_TRUE(stream.Close());
}

TEST_F(MappedStreamTest, ReadAcrossWindowBoundaryMapsTheNextWindow)
{
    VMemoryMappedFileReadOnly stream(1, 2);
    ASSERT_TRUE(stream.Open(path_));
    EXPECT_EQ(ReadAt(stream, kMiB - 100, 200), PatternBytes(kMiB - 100, 200));
    EXPECT_EQ(stream.Tell(), kMiB + 100);
    EXPECT_EQ(stream.GetSwaps(), 2u);
}

TEST_F(MappedStreamTest, ReadSpanningSeveralWindowsWithOneView)
{
    VMemoryMappedFileReadOnly stream(1, 1);
    ASSERT_TRUE(stream.Open(path_));
    EXPECT_EQ(ReadAt(stream, 10, size_ - 10), PatternBytes(10, size_ - 10));
    EXPECT_EQ(stream.GetSwaps(), 4u);
    EXPECT_TRUE(stream.IsEnd());
}

TEST_F(MappedStreamTest, SequentialReadInOddChunksMatchesTheFile)
{
    VMemoryMappedFileReadOnly stream(1, 2);
    ASSERT_TRUE(stream.Open(path_));
    std::vector<std::uint8_t> whole;
    std::vector<std::uint8_t> chunk(40009);
    while (const std::uint64_t count = stream.Read(chunk.size(), chunk.data()))
    {
        whole.insert(whole.end(), chunk.begin(), chunk.begin() + count);
    }
    EXPECT_EQ(whole, PatternBytes(0, size_));
    EXPECT_EQ(stream.GetSwaps(), 4u);
}

TEST_F(MappedStreamTest, LeastRecentlyUsedWindowIsTheOneUnmapped)
{
    VMemoryMappedFileReadOnly stream(1, 2);
    ASSERT_TRUE(stream.Open(path_)); // window A
    const std::uint64_t a = 10, b = kMiB + 5, c = 2 * kMiB + 7;
    EXPECT_EQ(ReadAt(stream, b, 4), PatternBytes(b, 4));
    EXPECT_EQ(ReadAt(stream, a, 4), PatternBytes(a, 4));
    EXPECT_EQ(stream.GetSwaps(), 2u) << "A, B, A maps two windows";

    EXPECT_EQ(ReadAt(stream, c, 4), PatternBytes(c, 4)); // evicts B, the older one
    EXPECT_EQ(ReadAt(stream, a, 4), PatternBytes(a, 4));
    EXPECT_EQ(stream.GetSwaps(), 3u);
    EXPECT_EQ(ReadAt(stream, b, 4), PatternBytes(b, 4));
    EXPECT_EQ(stream.GetSwaps(), 4u);
}

TEST_F(MappedStreamTest, ReadsStopAtTheEndOfTheFile)
{
    VMemoryMappedFileReadOnly stream(1, 2);
    ASSERT_TRUE(stream.Open(path_));
    std::vector<std::uint8_t> bytes(100, 0xEE);

    ASSERT_TRUE(stream.Seek(size_ - 10));
    EXPECT_EQ(stream.Read(bytes.size(), bytes.data()), 10u);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 10),
              PatternBytes(size_ - 10, 10));
    EXPECT_EQ(bytes[10], 0xEE) << "nothing written past the copied bytes";
    EXPECT_TRUE(stream.IsEnd());
    EXPECT_EQ(stream.Read(bytes.size(), bytes.data()), 0u);

    ASSERT_TRUE(stream.Seek(size_ + 5 * kGiB));
    EXPECT_EQ(stream.Tell(), size_ + 5 * kGiB);
    EXPECT_TRUE(stream.IsEnd());
    EXPECT_EQ(stream.Read(bytes.size(), bytes.data()), 0u);

    ASSERT_TRUE(stream.Seek(size_ - 1));
    EXPECT_EQ(stream.Read(UINT64_MAX, bytes.data()), 1u);
}

TEST_F(MappedStreamTest, OpenAndCloseFollowTheStreamState)
{
    VMemoryMappedFileReadOnly stream(1, 2);
    std::uint8_t byte = 0;
    EXPECT_FALSE(stream.Close());
    EXPECT_FALSE(stream.Seek(0));
    EXPECT_EQ(stream.Read(1, &byte), 0u);
    EXPECT_FALSE(stream.Open(directory_.Path("missing.bin")));
    EXPECT_FALSE(stream.Open(directory_.Path())) << "a directory is not a trial file";

    ASSERT_TRUE(stream.Open(path_));
    EXPECT_FALSE(stream.Open(path_));
    EXPECT_EQ(ReadAt(stream, 2 * kMiB, 8), PatternBytes(2 * kMiB, 8)) << "still usable";
    EXPECT_TRUE(stream.Close());
    EXPECT_FALSE(stream.Close());
    EXPECT_EQ(stream.Read(1, &byte), 0u);

    ASSERT_TRUE(stream.Open(path_));
    EXPECT_EQ(stream.Tell(), 0u);
    EXPECT_EQ(stream.GetSwaps(), 1u);
    EXPECT_EQ(ReadAt(stream, 0, 8), PatternBytes(0, 8));
}

TEST(MappedStreamLargeFileTest, SparseFileOverFourGiBReadsBackAtHighOffsets)
{
    TempDirectory directory;
    const std::string path = directory.Path("large.bin");
    const std::uint64_t high = 5 * kGiB;
    {
        UtilsIO::ofstream64 out(1);
        ASSERT_TRUE(out.Open(path));
        out.Write(PatternBytes(0, 16).data(), 16);
        ASSERT_TRUE(out.Seek(high));
        out.Write(PatternBytes(high, 64).data(), 64);
        ASSERT_TRUE(out.Close());
    }
    struct stat status;
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_LT(status.st_blocks * 512, 16 * 1024 * 1024) << "the hole must stay unallocated";

    VMemoryMappedFileReadOnly stream(256, 2);
    ASSERT_TRUE(stream.Open(path));
    EXPECT_EQ(stream.GetSize(), high + 64);
    EXPECT_EQ(ReadAt(stream, high, 64), PatternBytes(high, 64));
    std::vector<std::uint8_t> edge(4, 0);
    const std::vector<std::uint8_t> start = PatternBytes(high, 4);
    edge.insert(edge.end(), start.begin(), start.end());
    EXPECT_EQ(ReadAt(stream, high - 4, 8), edge) << "the hole reads as zeros";
    EXPECT_EQ(ReadAt(stream, 0, 16), PatternBytes(0, 16));
}

TEST_F(MappedStreamTest, ViewsOfOneFileAreMappedAndUnmappedFromTwoThreads)
{
    UtilsIO::VMemoryMappedFileImpl file;
    ASSERT_TRUE(file.Open(path_));
    const auto mapAndCheck = [&file](std::uint64_t firstOffset)
    {
        for (std::uint64_t offset = firstOffset; offset < 2 * kMiB; offset += 65537)
        {
            const std::uint8_t* view = file.MapView(offset, 16);
            ASSERT_NE(view, nullptr);
            EXPECT_EQ(std::vector<std::uint8_t>(view, view + 16), PatternBytes(offset, 16));
            file.UnmapView(view);
        }
    };
    std::thread other(mapAndCheck, 3);
    mapAndCheck(kMiB / 3);
    other.join();
    EXPECT_EQ(file.MapView(size_ - 4, 5), nullptr) << "no view reaches past the end";
}

} // namespace
