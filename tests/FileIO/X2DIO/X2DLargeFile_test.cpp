// Frames beyond 4 GiB: a sparse file whose frames lie behind holes, read through the mapped
// windows with 64-bit offsets.

#include "X2DTestFiles.h"

#include "FileIO/X2DIO/X2DImportImpl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using namespace X2DIO;

namespace
{
constexpr std::uint64_t kGap = (std::uint64_t(9) << 29) + 3; // 4.5 GiB and an odd byte

TEST(X2DLargeFileTest, FramesBeyondFourGiBAreReadWithSixtyFourBitOffsets)
{
    VTempDir dir;
    const std::string path = dir.Path("sparse.x2d");
    const VX2DRecording recording = MakeX2DRecording(2, 3);
    VX2DExportOptions options;
    options.gapBeforeFrames = kGap;
    ASSERT_TRUE(WriteX2DRecording(path, recording, options));
    ASSERT_GT(std::filesystem::file_size(path), 3 * kGap);

    VX2DImport reader;
    ASSERT_TRUE(reader.Open(path, false));
    VIndexTable::VEntry last;
    ASSERT_TRUE(reader.GetImpl().GetIndexTable().GetEntry(2, last));
    EXPECT_GT(std::uint64_t(last.offset), std::uint64_t(3) * kGap);
    for (std::int32_t index : {2, 0, 1})
    {
        VX2DFrameResults results(2);
        ASSERT_TRUE(results.Read(reader, index)) << "frame index " << index;
        ExpectFrame(recording.frames[std::size_t(index)], results);
    }
    reader.Close();

    // With 32-bit offsets the writer refuses frames it cannot index.
    options.version = 2;
    EXPECT_FALSE(WriteX2DRecording(dir.Path("narrow.x2d"), recording, options));
}
} // namespace
