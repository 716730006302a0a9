#pragma once
// Test fixture for damaged trial files of either kind. The test writes a good file at path_ and
// calls LoadOriginal(); it then hands damaged copies of the original's bytes to OpenAndReadAll().
// Whatever the bytes say, Open and ReadFrame must end with a result and, on failure, a message.
// The file kind says how its reader opens a file and reads one frame.

#include "ReaderErrors.h"
#include "TestFiles.h"

#include "FileIO/FrameFileReader.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class VCorruptFileTest : public ::testing::Test
{
protected:
    // Within a frame: the frame marker's length field, after its tag.
    static constexpr std::size_t kFrameLengthAt = 2;

    explicit VCorruptFileTest(const std::string& fileName);

    // Reads the original's bytes and, through the reader, where its frames, index table and data
    // formats are.
    void LoadOriginal();

    // Opens `bytes` and reads every frame of its index; true when everything succeeded.
    bool OpenAndReadAll(const std::vector<std::uint8_t>& bytes);
    // The original's first `size` bytes.
    std::vector<std::uint8_t> Truncated(std::size_t size) const;
    // The original with `value` stored little-endian at `offset`.
    std::vector<std::uint8_t> Patched32(std::size_t offset, std::uint32_t value) const;

    // Every truncation of the original, down to nothing.
    void SweepTruncations();
    // The original with every 4 bytes in turn overwritten by each of a few extreme values.
    void SweepOverwrites();
    // A data offset beyond the file is refused; an index offset beyond it has the index rebuilt.
    void ExpectOffsetsOutsideTheFileRefusedOrRebuilt(std::size_t indexOffsetAt,
                                                     std::size_t dataOffsetAt);
    // The length of the frame at `frameAt` made to run past the file, then made 0.
    void ExpectFrameLengthBounded(std::size_t frameAt);

    virtual bool Open(const std::string& path) = 0;
    virtual void Close() = 0;
    virtual const VFrameFileReader& Core() const = 0;
    // Reads the frame of index entry `index`.
    virtual bool ReadFrame(std::int32_t index) = 0;
    // Whether the open file may fail to give a frame without saying why.
    virtual bool MayFailSilently() const { return false; }

    VTempDir dir_;
    const std::string path_;
    std::vector<std::uint8_t> original_;
    std::vector<std::size_t> frameOffsets_;
    std::size_t indexOffset_ = 0;
    std::vector<VDataFormatInfo> formats_;
};
