#pragma once
// The index of a frame file: one {frame number, offset of the frame marker} pair per frame,
// in file order. Offsets are stored as int64 or, in older files, as sign-extended int32.
// The table is read from the file, written by writers, or rebuilt by scanning frame markers.
//
// Thread rules: thread-bound to the reader (or writer) thread that owns it.

#include <cstddef>
#include <cstdint>
#include <vector>

class VBoundedReader;
class VByteWriter;

class VIndexTable
{
public:
    struct VEntry
    {
        std::int32_t frameNumber = 0;
        std::int64_t offset = 0;
    };

    void SetOffsets64(bool offsets64) { offsets64_ = offsets64; }
    bool HasOffsets64() const { return offsets64_; }

    void Clear() { entries_.clear(); }
    void Append(std::int32_t frameNumber, std::int64_t offset);
    std::size_t GetCount() const { return entries_.size(); }
    // False when `index` is out of range.
    bool GetEntry(std::int64_t index, VEntry& entry) const;
    // The first entry with `frameNumber`.
    bool FindFrameIndex(std::int32_t frameNumber, std::size_t& index) const;
    void GetFrameNumbers(std::vector<std::int32_t>& numbers) const;

    // Replaces the entries by the table at the reader's position.
    bool Read(VBoundedReader& reader);
    void Write(VByteWriter& writer) const;
    // Replaces the entries by the frames found from `dataOffset` on: one per whole frame marker,
    // up to the first other tag or the end of the file. A frame that runs past the end is listed
    // and ends the scan.
    void Rebuild(VBoundedReader& reader, std::uint64_t dataOffset);

private:
    bool ReadEntry(VBoundedReader& reader, VEntry& entry) const;
    // Reads the marker at the position; false where the scan ends.
    bool ScanFrame(VBoundedReader& reader);

    std::vector<VEntry> entries_;
    bool offsets64_ = true;
};
