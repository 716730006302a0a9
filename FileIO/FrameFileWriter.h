#pragma once
// The part of a frame-file writer that is the same for every file kind: the buffered file, the
// buffer a header or frame is built in, the index table of the frames written, and the header
// sections completed at close (the frame count and the index table offset). The file kind's own
// header and frame layout live in the class built on this one.
//
// The header is built in the buffer and written first, at offset 0, so a position in the header
// buffer is also its position in the file. The file is written under a name of its own beside the
// target and renamed over the target at close: a reader that has the old file mapped keeps
// reading it whole, and a write that fails leaves the old file as it was.
//
// Thread rules: thread-bound to one writer thread.

#include "FileIO/ByteWriter.h"
#include "FileIO/IndexTable.h"
#include "FileIO/RecordSchema.h"
#include "Utils/UtilsIO/OutputFileStream64.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class ICustomHeader;

class VFrameFileWriter
{
public:
    VFrameFileWriter(const VFrameFileWriter&) = delete;
    VFrameFileWriter& operator=(const VFrameFileWriter&) = delete;

protected:
    // Index entries hold 64-bit offsets when `indexOffsets64`, the header's offset sections when
    // `headerOffsets64`; otherwise 32-bit ones.
    VFrameFileWriter(bool indexOffsets64, bool headerOffsets64);
    // Only the writer of a file kind owns and destroys this part; it completes an open file first.
    ~VFrameFileWriter();

    bool IsOpen() const { return open_; }
    // Creates the file (under its partial name) and starts an empty index and buffer.
    bool OpenFile(const std::string& path);
    // Writes the index table unless told not to, patches the frame count (the given one, else
    // the number of frames written) and the index table offset into the header, closes the file
    // and puts it in the target's place. False, with the target untouched and the partial file
    // removed, when no file was open or anything failed.
    bool CloseFile(std::optional<std::int32_t> headerFrameCount, bool writeIndexTable);

    // The bytes of the header or frame being built; cleared by BeginBuffer().
    VByteWriter& Buffer() { return buffer_; }
    VByteWriter& BeginBuffer();
    // Writes the buffer at the current end of the file.
    bool WriteBuffer();
    // Writes the frame built in the buffer at the current end of the file and indexes it. False
    // when the index cannot hold its offset (32-bit offsets beyond 2 GiB) or the write failed.
    bool WriteFrameBuffer(std::int32_t frameNumber);
    // Leaves `count` bytes unwritten before what is written next (a hole in the file).
    bool LeaveGap(std::uint64_t count);

    // Header sections, written into the buffer: the frame count and the index table offset, both
    // completed at close, and an offset section holding -1 whose position is handed back.
    void PutFrameCountSection(std::int16_t tag);
    void PutIndexOffsetSection(std::int16_t tag);
    std::size_t PutOffsetSection(std::int16_t tag);
    void PatchOffset(std::size_t position, std::int64_t offset);
    // Custom header sections, written into the buffer: each raw section as given, or a header's
    // contents behind a marker tagged with its identifier.
    void PutRawSections(const std::vector<VRawSection>& sections);
    void PutCustomHeaderSection(const ICustomHeader& header);

private:
    std::size_t OffsetSize() const { return headerOffsets64_ ? 8 : 4; }
    void PutOffset(VByteWriter& writer, std::int64_t offset) const;
    bool WriteIndexTable();
    bool PatchFile(std::uint64_t position, const VByteWriter& value);
    // Renames the written file over the target when `written`, else removes it; `written` then.
    bool Finish(bool written);

    const bool headerOffsets64_;
    UtilsIO::ofstream64 file_;
    VIndexTable index_;
    VByteWriter buffer_;
    bool open_ = false;
    std::string targetPath_;
    std::string partialPath_;
    std::uint64_t frameCountPosition_ = 0;
    std::uint64_t indexOffsetPosition_ = 0;
};
