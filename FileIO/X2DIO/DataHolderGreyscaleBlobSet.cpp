#include "FileIO/X2DIO/DataHolderGreyscaleBlobSet.h"

#include "FileIO/ByteWriter.h"

namespace X2DIO
{
namespace
{
// The field's length and line count.
constexpr std::uint64_t kLinesHeaderSize = 6;
// x, row and pixel count.
constexpr std::uint64_t kLineHeaderSize = 6;

bool ReadLine(VBoundedReader& reader, GreyscaleBlobSet& target, std::uint32_t& pixelOffset)
{
    GreyscaleLine line;
    if (!reader.ReadUInt16(line.x) || !reader.ReadUInt16(line.y) ||
        !reader.ReadUInt16(line.pixelCount))
        return false;
    // The room made for the pixels leaves out the headers of all lines, so a line whose pixels
    // take the place of later headers can stay within the field and still overrun the room.
    if (line.pixelCount > target.pixels.size() - pixelOffset)
        return reader.Fail(EReadFailure::PastRecordEnd);
    if (!reader.ReadBytes(target.pixels.data() + pixelOffset, line.pixelCount))
        return false;
    line.pixelOffset = pixelOffset;
    pixelOffset += line.pixelCount;
    target.lines.push_back(line);
    return true;
}

bool ReadLines(VBoundedReader& reader, GreyscaleBlobSet& target, GreyscaleBlob& blob)
{
    const std::uint64_t start = reader.Tell();
    std::uint64_t end = 0;
    if (!RecordSchema::ReadVariableFieldEnd(reader, end))
        return false;
    VBoundedReader::VLimitScope field(reader, end);
    if (!field.IsValid() || !reader.ReadUInt16(blob.lineCount))
        return false;
    const std::uint64_t headerSize = kLinesHeaderSize + kLineHeaderSize * blob.lineCount;
    if (end - start < headerSize)
        return reader.Fail(EReadFailure::CountTooLarge);
    std::uint32_t pixelOffset = std::uint32_t(target.pixels.size());
    target.pixels.resize(target.pixels.size() + (end - start - headerSize));
    for (std::uint32_t line = 0; line < blob.lineCount; ++line)
        if (!ReadLine(reader, target, pixelOffset))
            return false;
    return reader.Seek(end);
}

bool ReadFlags(VBoundedReader& reader, GreyscaleBlob& blob)
{
    std::uint32_t flags = 0;
    if (!reader.ReadUInt32(flags))
        return false;
    blob.flags = std::uint16_t(flags);
    return true;
}

void PutLines(VByteWriter& writer, const GreyscaleBlobSet& source, const GreyscaleBlob& blob)
{
    const std::size_t begin = RecordSchema::BeginVariableField(writer);
    writer.PutUInt16(blob.lineCount);
    for (std::uint32_t index = 0; index < blob.lineCount; ++index)
    {
        const GreyscaleLine& line = source.lines.at(blob.firstLine + index);
        writer.PutUInt16(line.x);
        writer.PutUInt16(line.y);
        writer.PutUInt16(line.pixelCount);
        writer.PutBytes(source.pixels.data() + line.pixelOffset, line.pixelCount);
    }
    RecordSchema::EndVariableField(writer, begin);
}

bool ReadBlobField(VBoundedReader& reader, const VFieldDescriptor& field, GreyscaleBlobSet& target,
                   GreyscaleBlob& blob)
{
    if (field.key == VDataHolderGreyscaleBlobSet::kLinesKey)
        return ReadLines(reader, target, blob);
    if (field.key == VDataHolderGreyscaleBlobSet::kFlagsKey)
        return ReadFlags(reader, blob);
    return RecordSchema::SkipField(reader, field);
}

void PutBlobField(VByteWriter& writer, const VFieldDescriptor& field,
                  const GreyscaleBlobSet& source, const GreyscaleBlob& blob)
{
    if (field.key == VDataHolderGreyscaleBlobSet::kLinesKey)
        PutLines(writer, source, blob);
    else if (field.key == VDataHolderGreyscaleBlobSet::kFlagsKey)
        writer.PutUInt32(blob.flags);
    else
        RecordSchema::WriteFillerField(writer, field);
}
} // namespace

VDataFormatInfo VDataHolderGreyscaleBlobSet::DefaultFormat()
{
    return {kFormatIdentifier,
            {{kLinesKey, VFieldDescriptor::kVariableSize, {}}, {kFlagsKey, 4, {}}}};
}

VDataHolderGreyscaleBlobSet::VDataHolderGreyscaleBlobSet(VDataFormatInfo format)
    : VResultDataHolder(std::move(format))
{
}

void VDataHolderGreyscaleBlobSet::WriteItem(VByteWriter& writer, std::uint32_t index) const
{
    const GreyscaleBlobSet& source = *GetSource();
    WriteItemFields(
        writer, index,
        [&source](VByteWriter& out, const VFieldDescriptor& field, const GreyscaleBlob& blob)
        { PutBlobField(out, field, source, blob); });
}

void VDataHolderGreyscaleBlobSet::Reset()
{
    VResultDataHolder::Reset();
    if (GetTarget() == nullptr)
        return;
    GetTarget()->lines.clear();
    GetTarget()->pixels.clear();
}

bool VDataHolderGreyscaleBlobSet::ReadTargetItem(VBoundedReader& reader,
                                                 const VDataFormatInfo& fileFormat,
                                                 GreyscaleBlobSet& target)
{
    GreyscaleBlob blob;
    blob.firstLine = std::uint32_t(target.lines.size());
    return AppendItem(
        reader, fileFormat, target, blob,
        [&target](VBoundedReader& in, const VFieldDescriptor& field, GreyscaleBlob& item)
        { return ReadBlobField(in, field, target, item); });
}
} // namespace X2DIO
