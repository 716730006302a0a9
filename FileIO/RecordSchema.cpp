#include "FileIO/RecordSchema.h"

#include "FileIO/BoundedReader.h"
#include "FileIO/ByteWriter.h"

namespace
{
// key, size and extra length.
constexpr std::uint64_t kMinimumDescriptorSize = 10;
constexpr std::uint64_t kVariableLengthSize = 4;
constexpr std::uint8_t kFillerByte = 0xEE;
constexpr std::size_t kFillerPayload = 3;

bool ReadDescriptor(VBoundedReader& reader, VFieldDescriptor& field)
{
    std::uint32_t extraLength = 0;
    if (!reader.ReadInt16(field.key) || !reader.ReadInt32(field.size) ||
        !reader.ReadUInt32(extraLength))
        return false;
    if (field.size < VFieldDescriptor::kVariableSize)
        return reader.Fail(EReadFailure::InvalidLength);
    return reader.ReadBytes(field.extra, extraLength);
}

void PatchLength(VByteWriter& writer, std::size_t lengthOffset)
{
    writer.PatchInt32(lengthOffset, std::int32_t(writer.GetSize() - lengthOffset - 4));
}
} // namespace

std::uint64_t VDataFormatInfo::GetMinimumItemSize() const
{
    std::uint64_t total = 0;
    for (const VFieldDescriptor& field : fields)
        total += field.size == VFieldDescriptor::kVariableSize ? kVariableLengthSize
                                                               : std::uint64_t(field.size);
    return total;
}

namespace RecordSchema
{
bool ReadSectionMarker(VBoundedReader& reader, VSectionMarker& marker)
{
    return reader.ReadInt16(marker.tag) && reader.ReadInt32(marker.length);
}

void WriteSectionMarker(VByteWriter& writer, const VSectionMarker& marker)
{
    writer.PutInt16(marker.tag);
    writer.PutInt32(marker.length);
}

bool ReadRecordMarker(VBoundedReader& reader, VRecordMarker& marker)
{
    return reader.ReadInt16(marker.tag) && reader.ReadInt32(marker.length) &&
           reader.ReadInt32(marker.value);
}

void WriteRecordMarker(VByteWriter& writer, const VRecordMarker& marker)
{
    writer.PutInt16(marker.tag);
    writer.PutInt32(marker.length);
    writer.PutInt32(marker.value);
}

bool ReadFormatInfo(VBoundedReader& reader, VDataFormatInfo& format)
{
    std::uint32_t count = 0;
    format.fields.clear();
    if (!reader.ReadInt16(format.identifier) || !reader.ReadUInt32(count) ||
        !reader.CountFits(count, kMinimumDescriptorSize))
        return false;
    for (std::uint32_t index = 0; index < count; ++index)
    {
        VFieldDescriptor field;
        if (!ReadDescriptor(reader, field))
            return false;
        format.fields.push_back(std::move(field));
    }
    return true;
}

void WriteFormatInfo(VByteWriter& writer, const VDataFormatInfo& format)
{
    writer.PutInt16(format.identifier);
    writer.PutInt32(std::int32_t(format.fields.size()));
    for (const VFieldDescriptor& field : format.fields)
    {
        writer.PutInt16(field.key);
        writer.PutInt32(field.size);
        writer.PutUInt32(std::uint32_t(field.extra.size()));
        writer.PutBytes(field.extra.data(), field.extra.size());
    }
}

bool SkipField(VBoundedReader& reader, const VFieldDescriptor& field)
{
    if (field.size != VFieldDescriptor::kVariableSize)
        return reader.Skip(std::uint64_t(field.size));
    std::uint64_t end = 0;
    return ReadVariableFieldEnd(reader, end) && reader.Seek(end);
}

bool ReadVariableFieldEnd(VBoundedReader& reader, std::uint64_t& end)
{
    const std::uint64_t start = reader.Tell();
    std::int32_t length = 0;
    if (!reader.ReadInt32(length))
        return false;
    if (length < std::int32_t(kVariableLengthSize))
        return reader.Fail(EReadFailure::InvalidLength);
    end = start + std::uint64_t(length);
    return reader.CheckEnd(end);
}

bool ReadVariableField(VBoundedReader& reader,
                       const std::function<bool(VBoundedReader&)>& readContents)
{
    std::uint64_t end = 0;
    if (!ReadVariableFieldEnd(reader, end))
        return false;
    VBoundedReader::VLimitScope field(reader, end);
    return field.IsValid() && readContents(reader) && reader.Seek(end);
}

bool ReadStringField(VBoundedReader& reader, std::string& text)
{
    std::uint64_t end = 0;
    if (!ReadVariableFieldEnd(reader, end))
        return false;
    std::vector<std::uint8_t> bytes;
    if (!reader.ReadBytes(bytes, end - reader.Tell()))
        return false;
    text.assign(bytes.begin(), bytes.end());
    return true;
}

void WriteStringField(VByteWriter& writer, const std::string& text)
{
    const std::size_t begin = BeginVariableField(writer);
    writer.PutBytes(text.data(), text.size());
    EndVariableField(writer, begin);
}

void WriteFillerField(VByteWriter& writer, const VFieldDescriptor& field)
{
    if (field.size != VFieldDescriptor::kVariableSize)
    {
        writer.PutFill(kFillerByte, std::size_t(field.size));
        return;
    }
    const std::size_t begin = BeginVariableField(writer);
    writer.PutFill(kFillerByte, kFillerPayload);
    EndVariableField(writer, begin);
}

std::size_t BeginSection(VByteWriter& writer, std::int16_t tag)
{
    const std::size_t begin = writer.GetSize();
    WriteSectionMarker(writer, {tag, 0});
    return begin;
}

void EndSection(VByteWriter& writer, std::size_t begin)
{
    PatchLength(writer, begin + 2);
}

std::size_t BeginRecord(VByteWriter& writer, std::int16_t tag, std::int32_t value)
{
    const std::size_t begin = writer.GetSize();
    WriteRecordMarker(writer, {tag, 0, value});
    return begin;
}

void EndRecord(VByteWriter& writer, std::size_t begin)
{
    // The length counts what follows the whole marker, value included.
    writer.PatchInt32(begin + 2, std::int32_t(writer.GetSize() - begin - kRecordMarkerSize));
}

std::size_t BeginVariableField(VByteWriter& writer)
{
    const std::size_t begin = writer.GetSize();
    writer.PutInt32(0);
    return begin;
}

void EndVariableField(VByteWriter& writer, std::size_t begin)
{
    // A variable field's length counts itself.
    writer.PatchInt32(begin, std::int32_t(writer.GetSize() - begin));
}
} // namespace RecordSchema
