#include "FileIO/FrameFileWriter.h"

#include "FileIO/FramePlugins.h"
#include "FileIO/RecordSchema.h"

#include <cstdio>
#include <limits>
#include <sstream>
#include <unistd.h>

namespace
{
constexpr unsigned kBufferMiB = 4;
constexpr std::int64_t kNoOffset = -1;

// Beside the target, so the rename stays within one file system; the process and the writer
// make it one of its own.
std::string PartialPathFor(const std::string& target, const void* writer)
{
    std::ostringstream path;
    path << target << ".part-" << ::getpid() << '-' << writer;
    return path.str();
}
} // namespace

VFrameFileWriter::VFrameFileWriter(bool indexOffsets64, bool headerOffsets64)
    : headerOffsets64_(headerOffsets64), file_(kBufferMiB)
{
    index_.SetOffsets64(indexOffsets64);
}

VFrameFileWriter::~VFrameFileWriter() = default;

bool VFrameFileWriter::OpenFile(const std::string& path)
{
    if (open_)
        return false;
    targetPath_ = path;
    partialPath_ = PartialPathFor(path, this);
    if (!file_.Open(partialPath_))
        return false;
    open_ = true;
    index_.Clear();
    buffer_.Clear();
    return true;
}

bool VFrameFileWriter::CloseFile(std::optional<std::int32_t> headerFrameCount, bool writeIndexTable)
{
    if (!open_)
        return false;
    open_ = false;
    VByteWriter frameCount;
    frameCount.PutInt32(headerFrameCount.value_or(std::int32_t(index_.GetCount())));
    const bool written =
        (!writeIndexTable || WriteIndexTable()) && PatchFile(frameCountPosition_, frameCount);
    const bool closed = file_.Close();
    return Finish(closed && written);
}

bool VFrameFileWriter::Finish(bool written)
{
    if (written && std::rename(partialPath_.c_str(), targetPath_.c_str()) == 0)
        return true;
    std::remove(partialPath_.c_str());
    return false;
}

VByteWriter& VFrameFileWriter::BeginBuffer()
{
    buffer_.Clear();
    return buffer_;
}

bool VFrameFileWriter::WriteBuffer()
{
    return file_.Write(buffer_.GetBytes().data(), buffer_.GetSize()) && file_.IsGood();
}

bool VFrameFileWriter::WriteFrameBuffer(std::int32_t frameNumber)
{
    const std::uint64_t position = file_.Tell();
    const bool offsetFits = index_.HasOffsets64() ||
                            position <= std::uint64_t(std::numeric_limits<std::int32_t>::max());
    if (!open_ || !offsetFits)
        return false;
    index_.Append(frameNumber, std::int64_t(position));
    return WriteBuffer();
}

bool VFrameFileWriter::LeaveGap(std::uint64_t count)
{
    return count == 0 || file_.Seek(file_.Tell() + count);
}

void VFrameFileWriter::PutFrameCountSection(std::int16_t tag)
{
    RecordSchema::WriteSectionMarker(buffer_, {tag, 4});
    frameCountPosition_ = buffer_.GetSize();
    buffer_.PutInt32(0);
}

void VFrameFileWriter::PutIndexOffsetSection(std::int16_t tag)
{
    indexOffsetPosition_ = PutOffsetSection(tag);
}

std::size_t VFrameFileWriter::PutOffsetSection(std::int16_t tag)
{
    RecordSchema::WriteSectionMarker(buffer_, {tag, std::int32_t(OffsetSize())});
    const std::size_t position = buffer_.GetSize();
    PutOffset(buffer_, kNoOffset);
    return position;
}

void VFrameFileWriter::PatchOffset(std::size_t position, std::int64_t offset)
{
    if (headerOffsets64_)
        buffer_.PatchInt64(position, offset);
    else
        buffer_.PatchInt32(position, std::int32_t(offset));
}

void VFrameFileWriter::PutRawSections(const std::vector<VRawSection>& sections)
{
    for (const VRawSection& raw : sections)
    {
        const std::size_t section = RecordSchema::BeginSection(buffer_, raw.tag);
        buffer_.PutBytes(raw.contents.data(), raw.contents.size());
        RecordSchema::EndSection(buffer_, section);
    }
}

void VFrameFileWriter::PutCustomHeaderSection(const ICustomHeader& header)
{
    const std::size_t section = RecordSchema::BeginSection(buffer_, header.GetIdentifier());
    header.Write(buffer_);
    RecordSchema::EndSection(buffer_, section);
}

void VFrameFileWriter::PutOffset(VByteWriter& writer, std::int64_t offset) const
{
    if (headerOffsets64_)
        writer.PutInt64(offset);
    else
        writer.PutInt32(std::int32_t(offset));
}

bool VFrameFileWriter::WriteIndexTable()
{
    VByteWriter offset;
    PutOffset(offset, std::int64_t(file_.Tell()));
    index_.Write(BeginBuffer());
    return WriteBuffer() && PatchFile(indexOffsetPosition_, offset);
}

bool VFrameFileWriter::PatchFile(std::uint64_t position, const VByteWriter& value)
{
    return file_.Seek(position) && file_.Write(value.GetBytes().data(), value.GetSize());
}
