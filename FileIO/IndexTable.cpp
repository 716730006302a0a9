#include "FileIO/IndexTable.h"

#include "FileIO/BoundedReader.h"
#include "FileIO/ByteWriter.h"
#include "FileIO/RecordSchema.h"

#include <algorithm>

void VIndexTable::Append(std::int32_t frameNumber, std::int64_t offset)
{
    entries_.push_back({frameNumber, offset});
}

bool VIndexTable::GetEntry(std::int64_t index, VEntry& entry) const
{
    if (index < 0 || std::uint64_t(index) >= entries_.size())
        return false;
    entry = entries_[std::size_t(index)];
    return true;
}

bool VIndexTable::FindFrameIndex(std::int32_t frameNumber, std::size_t& index) const
{
    const auto found =
        std::find_if(entries_.begin(), entries_.end(),
                     [&](const VEntry& entry) { return entry.frameNumber == frameNumber; });
    if (found == entries_.end())
        return false;
    index = std::size_t(found - entries_.begin());
    return true;
}

void VIndexTable::GetFrameNumbers(std::vector<std::int32_t>& numbers) const
{
    numbers.clear();
    for (const VEntry& entry : entries_)
        numbers.push_back(entry.frameNumber);
}

bool VIndexTable::Read(VBoundedReader& reader)
{
    entries_.clear();
    std::uint32_t count = 0;
    if (!reader.ReadUInt32(count) || !reader.CountFits(count, offsets64_ ? 12 : 8))
        return false;
    entries_.resize(count);
    for (VEntry& entry : entries_)
        if (!ReadEntry(reader, entry))
            return false;
    return true;
}

bool VIndexTable::ReadEntry(VBoundedReader& reader, VEntry& entry) const
{
    if (!reader.ReadInt32(entry.frameNumber))
        return false;
    if (offsets64_)
        return reader.ReadInt64(entry.offset);
    std::int32_t offset = 0;
    if (!reader.ReadInt32(offset))
        return false;
    entry.offset = offset;
    return true;
}

void VIndexTable::Write(VByteWriter& writer) const
{
    writer.PutUInt32(std::uint32_t(entries_.size()));
    for (const VEntry& entry : entries_)
    {
        writer.PutInt32(entry.frameNumber);
        if (offsets64_)
            writer.PutInt64(entry.offset);
        else
            writer.PutInt32(std::int32_t(entry.offset));
    }
}

void VIndexTable::Rebuild(VBoundedReader& reader, std::uint64_t dataOffset)
{
    entries_.clear();
    if (!reader.Seek(dataOffset))
        return;
    while (ScanFrame(reader))
    {
    }
    // Running into the end of the scan is how it finishes, not a fault of the file.
    reader.ClearFailure();
}

bool VIndexTable::ScanFrame(VBoundedReader& reader)
{
    const std::uint64_t position = reader.Tell();
    VRecordMarker marker;
    if (reader.IsAtLimit() || !RecordSchema::ReadRecordMarker(reader, marker) ||
        marker.tag != RecordSchema::kFrameTag || marker.length < 0)
        return false;
    // A frame whose marker is whole is a frame of the file even when its body runs past the
    // end: it counts, and reading it fails. Every step moves on by at least a marker, so the
    // scan always ends.
    Append(marker.value, std::int64_t(position));
    return reader.Skip(std::uint64_t(marker.length));
}
