#include "Utils/UtilsIO/FileLockReport.h"
#include "Utils/UtilsIO/MemoryMappedStream.h"
#include "tests/diagnostics/StderrCapture.h"
#include "tests/support/TempDirectory.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <unistd.h>

using BriselTest::TempDirectory;

namespace
{

std::string OwnImagePath()
{
    char target[PATH_MAX] = {};
    const ssize_t length = ::readlink("/proc/self/exe", target, sizeof(target) - 1);
    return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string();
}

// Keeps a descriptor of path open in this process while it lives.
class HeldOpen
{
public:
    explicit HeldOpen(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~HeldOpen() { ::close(fd_); }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;

    bool IsHeld() const { return fd_ >= 0; }

private:
    const int fd_;
};

TEST(FileLockReportTest, MessageQuotesThePathAndEveryName)
{
    EXPECT_EQ(UtilsIO::FormatFileLockMessage("/data/t.x2d", {"/usr/bin/a", "unknown process"}),
              "Failed to memory map file '/data/t.x2d' locked by processes  '/usr/bin/a' "
              "'unknown process'");
}

TEST(FileLockReportTest, ScanFindsTheProcessHoldingTheFileOnly)
{
    TempDirectory directory;
    const std::string held = directory.WriteFile("held.bin", {1, 2, 3});
    const std::string free = directory.WriteFile("free.bin", {1, 2, 3});
    HeldOpen holder(held);
    ASSERT_TRUE(holder.IsHeld());

    EXPECT_EQ(UtilsIO::FindProcessesHoldingFile(held), std::vector<std::string>{OwnImagePath()});
    EXPECT_TRUE(UtilsIO::FindProcessesHoldingFile(free).empty());
    EXPECT_TRUE(UtilsIO::FindProcessesHoldingFile(directory.Path("missing")).empty());
}

TEST(FileLockReportTest, FailedOpenOfAHeldPathLogsItsHolder)
{
    // A directory cannot be opened as a trial file, but this process can hold it open.
    TempDirectory directory;
    HeldOpen holder(directory.Path());
    ASSERT_TRUE(holder.IsHeld());
    UtilsIO::VMemoryMappedFileReadOnly stream(1, 2);

    StderrCapture capture;
    EXPECT_FALSE(stream.Open(directory.Path()));
    const std::string expected = "UtilsIO\\MemoryMappedStream:76: " +
                                 UtilsIO::FormatFileLockMessage(directory.Path(), {OwnImagePath()}) +
                                 "\n";
    EXPECT_NE(capture.Text().find(expected), std::string::npos) << capture.Text();
}

} // namespace
