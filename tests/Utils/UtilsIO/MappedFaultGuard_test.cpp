// A file cut short or rewritten while it is mapped: touching a page past its new end raises a bus
// error, which must fail the read instead of killing the process, while bus errors anywhere else
// still reach the handler that was there before.

#include "Utils/UtilsIO/MemoryMappedStream.h"
#include "diagnostics/CrashHandler.h"
#include "tests/Utils/UtilsIO/PatternBytes.h"
#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/mman.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using BriselTest::TempDirectory;
using UtilsIO::VMemoryMappedFileReadOnly;

namespace
{
constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

class MappedFileChangeTest : public testing::Test
{
protected:
    // Opens a 3 MiB file through 1 MiB windows and reads from the first one.
    void OpenAndRead(VMemoryMappedFileReadOnly& stream, const std::string& path)
    {
        ASSERT_TRUE(stream.Open(path));
        ASSERT_EQ(ReadAt(stream, 0, 100), PatternBytes(0, 100));
    }

    TempDirectory directory_;
    const std::string path_ = directory_.WriteFile("trial.bin", PatternBytes(0, 3 * kMiB));
};

TEST_F(MappedFileChangeTest, ReadPastTheEndOfAFileCutShortFailsAndLaterReadsSeeWhatIsLeft)
{
    VMemoryMappedFileReadOnly stream(1, 2);
    OpenAndRead(stream, path_);
    std::filesystem::resize_file(path_, 100000);

    EXPECT_TRUE(ReadAt(stream, 500000, 100).empty()) << "the page is gone";
    EXPECT_EQ(stream.GetSize(), 100000u);
    EXPECT_EQ(ReadAt(stream, 99900, 100), PatternBytes(99900, 100));
    EXPECT_TRUE(ReadAt(stream, 2 * kMiB, 100).empty()) << "past the end as it now is";
    EXPECT_EQ(ReadAt(stream, 0, 100), PatternBytes(0, 100));
}

TEST_F(MappedFileChangeTest, CutWithinAMappedPageIsFoundByTheCheck)
{
    // The bytes past the new end of its last page read as zeros, without a bus error.
    VMemoryMappedFileReadOnly stream(1, 2);
    OpenAndRead(stream, path_);
    EXPECT_TRUE(stream.CheckIntact());
    std::filesystem::resize_file(path_, 100);
    EXPECT_FALSE(stream.CheckIntact());
    EXPECT_EQ(stream.GetSize(), 100u);
    EXPECT_TRUE(stream.CheckIntact());
    EXPECT_EQ(ReadAt(stream, 0, 200), PatternBytes(0, 100));
}

TEST_F(MappedFileChangeTest, FileRewrittenInPlaceIsReadAsItNowIs)
{
    VMemoryMappedFileReadOnly stream(1, 2);
    OpenAndRead(stream, path_);
    {
        std::ofstream rewrite(path_, std::ios::binary | std::ios::trunc);
        const std::vector<std::uint8_t> bytes = PatternBytes(7, 5000);
        rewrite.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    EXPECT_TRUE(ReadAt(stream, 10000, 100).empty());
    EXPECT_EQ(ReadAt(stream, 0, 5000), PatternBytes(7, 5000));
}

TEST_F(MappedFileChangeTest, ThreadsReadingFilesCutShortAllFailCleanly)
{
    constexpr int kThreads = 4;
    std::vector<std::string> paths;
    for (int thread = 0; thread < kThreads; ++thread)
        paths.push_back(
            directory_.WriteFile("file" + std::to_string(thread), PatternBytes(0, 3 * kMiB)));
    std::vector<std::unique_ptr<VMemoryMappedFileReadOnly>> streams;
    for (const std::string& path : paths)
    {
        streams.push_back(std::make_unique<VMemoryMappedFileReadOnly>(4, 1));
        OpenAndRead(*streams.back(), path);
        std::filesystem::resize_file(path, kMiB);
    }
    std::vector<std::thread> readers;
    std::vector<int> lost(kThreads, 0);
    for (int thread = 0; thread < kThreads; ++thread)
        readers.emplace_back(
            [&, thread]
            {
                // Every page past the new end is touched once, each a bus error of its own.
                for (std::uint64_t page = 0; page < 16; ++page)
                    lost[std::size_t(thread)] +=
                        ReadAt(*streams[std::size_t(thread)], kMiB + page * 65536, 8).empty();
            });
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(lost, std::vector<int>(kThreads, 16));
}

// Death tests re-execute the test program, so each child starts without the bus-error handler.
class MappedFaultDeathTest : public MappedFileChangeTest
{
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

    // In the death-test child: the crash handler installed before the bus-error guard, a stream
    // that has read from its file, then `then(stream)`. No core file is left.
    template <class TThen> void UnderCrashHandler(const TThen& then)
    {
        const rlimit noCore = {0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        Farrowkit::VCrashHandler handler(1);
        VMemoryMappedFileReadOnly stream(1, 2);
        OpenAndRead(stream, path_);
        then(stream);
    }
};

TEST_F(MappedFaultDeathTest, BusErrorsElsewhereStillReachTheEarlierHandler)
{
    const auto faultInAnotherMapping = [this](VMemoryMappedFileReadOnly&)
    {
        const std::string other = directory_.WriteFile("other.bin", PatternBytes(0, 65536));
        std::FILE* file = std::fopen(other.c_str(), "rb");
        auto* bytes = static_cast<volatile std::uint8_t*>(
            ::mmap(nullptr, 65536, PROT_READ, MAP_SHARED, ::fileno(file), 0));
        std::filesystem::resize_file(other, 0);
        std::exit(bytes[40000]);
    };
    EXPECT_EXIT(UnderCrashHandler(faultInAnotherMapping), testing::KilledBySignal(SIGBUS),
                "Fatal signal 7 \\(SIGBUS\\)");
    EXPECT_EXIT(UnderCrashHandler([](VMemoryMappedFileReadOnly&) { ::raise(SIGBUS); }),
                testing::KilledBySignal(SIGBUS), "Fatal signal 7 \\(SIGBUS\\)");
}

TEST_F(MappedFaultDeathTest, ProcessWithACrashHandlerSurvivesAFileCutShortUnderIt)
{
    const auto cutShort = [this](VMemoryMappedFileReadOnly& stream)
    {
        std::filesystem::resize_file(path_, 4096);
        const bool failed = ReadAt(stream, 500000, 100).empty();
        std::fputs(failed ? "read failed\n" : "read succeeded\n", stderr);
        std::exit(0);
    };
    EXPECT_EXIT(UnderCrashHandler(cutShort), testing::ExitedWithCode(0), "read failed");
}
} // namespace
