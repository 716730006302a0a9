#include "FileIO/BoundedReader.h"

#include "net/ByteOrder.h"

#include <algorithm>
#include <limits>

namespace
{
constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();
}

std::string DescribeReadFailure(EReadFailure failure)
{
    switch (failure)
    {
    case EReadFailure::PastFileEnd:
        return "Corrupt file (record runs past the end of the file).";
    case EReadFailure::PastRecordEnd:
        return "Corrupt file (field runs past the end of its record).";
    case EReadFailure::CountTooLarge:
        return "Corrupt file (count larger than the remaining bytes).";
    case EReadFailure::InvalidLength:
        return "Corrupt file (invalid length or size).";
    case EReadFailure::EmptyItem:
        return "Corrupt file (data item without content).";
    case EReadFailure::FileChanged:
        return "The file was cut short or changed while it was read.";
    case EReadFailure::None:
        break;
    }
    return "Corrupt file.";
}

VBoundedReader::VLimitScope::VLimitScope(VBoundedReader& reader, std::uint64_t end)
    : reader_(reader), previous_(reader.limit_), valid_(false)
{
    if (!reader.CheckEnd(end))
        return;
    reader.limit_ = end;
    reader.UpdateDirectEnd();
    valid_ = true;
}

VBoundedReader::VLimitScope::~VLimitScope()
{
    reader_.limit_ = previous_;
    reader_.UpdateDirectEnd();
}

VBoundedReader::VBoundedReader(UtilsIO::VMemoryMappedFileReadOnly& stream)
    : stream_(stream), limit_(kNoLimit)
{
    Rewind();
}

bool VBoundedReader::CheckEnd(std::uint64_t end)
{
    if (end <= GetLimit())
        return true;
    return Fail(end > fileSize_ ? EReadFailure::PastFileEnd : EReadFailure::PastRecordEnd);
}

bool VBoundedReader::CheckLength(std::uint64_t length)
{
    const std::uint64_t position = Tell();
    return CheckEnd(length > kNoLimit - position ? kNoLimit : position + length);
}

bool VBoundedReader::Seek(std::uint64_t offset)
{
    if (!CheckEnd(offset))
        return false;
    position_ = offset;
    return true;
}

bool VBoundedReader::Skip(std::uint64_t length)
{
    return CheckLength(length) && Seek(Tell() + length);
}

bool VBoundedReader::ReadAcrossWindows(void* destination, std::uint64_t length)
{
    if (!CheckLength(length))
        return false;
    auto* out = static_cast<std::uint8_t*>(destination);
    std::uint64_t offset = position_;
    for (std::uint64_t left = length; left > 0;)
    {
        if (!ViewWindowAt(offset))
            return Fail(EReadFailure::PastFileEnd);
        const std::uint64_t count = std::min(left, view_.end - offset);
        std::memcpy(out, view_.address + (offset - view_.start), count);
        out += count;
        offset += count;
        left -= count;
    }
    position_ = offset;
    return true;
}

const std::uint8_t* VBoundedReader::ReadInPlace(std::uint64_t length)
{
    if (length == 0 || length > GetRemaining() || !ViewWindowAt(position_))
        return nullptr;
    return TakeFromView(length);
}

bool VBoundedReader::ViewWindowAt(std::uint64_t offset)
{
    if (offset < view_.start || offset >= view_.end)
    {
        if (!stream_.ViewAt(offset, view_))
            view_ = VView();
        UpdateDirectEnd();
    }
    return view_.address != nullptr;
}

void VBoundedReader::UpdateDirectEnd()
{
    directEnd_ = std::min(GetLimit(), view_.end);
}

bool VBoundedReader::ReadBytes(std::vector<std::uint8_t>& destination, std::uint64_t length)
{
    if (!CheckLength(length))
        return false;
    destination.resize(length);
    return ReadBytes(destination.data(), length);
}

bool VBoundedReader::ReadUInt16(std::uint16_t& value)
{
    std::uint8_t bytes[2];
    if (!ReadBytes(bytes, sizeof bytes))
        return false;
    value = ByteOrder::LoadLittleEndian16(bytes);
    return true;
}

bool VBoundedReader::ReadInt16(std::int16_t& value)
{
    std::uint16_t raw = 0;
    if (!ReadUInt16(raw))
        return false;
    value = std::int16_t(raw);
    return true;
}

bool VBoundedReader::ReadUInt32(std::uint32_t& value)
{
    std::uint8_t bytes[4];
    if (!ReadBytes(bytes, sizeof bytes))
        return false;
    value = ByteOrder::LoadLittleEndian32(bytes);
    return true;
}

bool VBoundedReader::ReadInt32(std::int32_t& value)
{
    std::uint32_t raw = 0;
    if (!ReadUInt32(raw))
        return false;
    value = std::int32_t(raw);
    return true;
}

bool VBoundedReader::ReadInt64(std::int64_t& value)
{
    std::uint8_t bytes[8];
    if (!ReadBytes(bytes, sizeof bytes))
        return false;
    value = std::int64_t(ByteOrder::LoadLittleEndian64(bytes));
    return true;
}

bool VBoundedReader::CanHold(std::uint64_t count, std::uint64_t minimumItemBytes) const
{
    return count <= GetRemaining() / std::max<std::uint64_t>(minimumItemBytes, 1);
}

bool VBoundedReader::CountFits(std::uint64_t count, std::uint64_t minimumItemBytes)
{
    return CanHold(count, minimumItemBytes) || Fail(EReadFailure::CountTooLarge);
}

bool VBoundedReader::CheckIntact()
{
    if (stream_.CheckIntact())
        return true;
    // The stream dropped its windows and took the file's size anew.
    fileSize_ = stream_.GetSize();
    view_ = VView();
    UpdateDirectEnd();
    failure_ = EReadFailure::FileChanged;
    return false;
}

bool VBoundedReader::Fail(EReadFailure failure)
{
    if (failure_ == EReadFailure::None)
        failure_ = failure;
    return false;
}

void VBoundedReader::Rewind()
{
    limit_ = kNoLimit;
    fileSize_ = stream_.GetSize();
    position_ = 0;
    view_ = VView();
    UpdateDirectEnd();
    failure_ = EReadFailure::None;
}
