#include "FileIO/AnalogueBlockDataHolder.h"

#include "FileIO/AnalogueBlockSet.h"
#include "FileIO/BoundedReader.h"
#include "FileIO/ByteWriter.h"

#include <utility>

VDataFormatInfo VAnalogueBlockDataHolder::DefaultFormat()
{
    return {kFormatIdentifier, {{kBlockKey, VFieldDescriptor::kVariableSize, {}}}};
}

VAnalogueBlockDataHolder::VAnalogueBlockDataHolder(VDataFormatInfo format)
    : format_(std::move(format))
{
}

std::uint32_t VAnalogueBlockDataHolder::GetItemCount() const
{
    return source_ != nullptr ? source_->GetCount() : 0;
}

bool VAnalogueBlockDataHolder::ReadItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat)
{
    VAnalogueBlockView block;
    for (const VFieldDescriptor& field : fileFormat.fields)
    {
        const bool isLast = &field == &fileFormat.fields.back();
        const bool read = field.key == kBlockKey ? ReadBlock(reader, isLast, block)
                                                 : RecordSchema::SkipField(reader, field);
        if (!read)
            return false;
    }
    if (target_ != nullptr)
        target_->Append(block);
    return true;
}

bool VAnalogueBlockDataHolder::ReadBlock(VBoundedReader& reader, bool inPlace,
                                         VAnalogueBlockView& block)
{
    // The field's own length is not relied on: the byte count says how much follows.
    std::int32_t length = 0;
    std::uint32_t size = 0;
    if (!reader.ReadInt32(length) || !reader.ReadUInt32(size) ||
        !reader.CheckEnd(reader.Tell() + size))
        return false;
    if (const std::uint8_t* bytes = inPlace ? reader.ReadInPlace(size) : nullptr)
    {
        block = {bytes, size};
        return true;
    }
    block_.Resize(size);
    if (!reader.ReadBytes(block_.GetMutableData(), size))
        return false;
    block = block_.GetView();
    return true;
}

void VAnalogueBlockDataHolder::WriteItem(VByteWriter& writer, std::uint32_t index) const
{
    const VAnalogueBlockView block = source_->GetBlock(index);
    for (const VFieldDescriptor& field : format_.fields)
    {
        if (field.key != kBlockKey)
        {
            RecordSchema::WriteFillerField(writer, field);
            continue;
        }
        const std::size_t begin = RecordSchema::BeginVariableField(writer);
        writer.PutUInt32(block.size);
        writer.PutBytes(block.data, block.size);
        RecordSchema::EndVariableField(writer, begin);
    }
}

void VAnalogueBlockDataHolder::Reset()
{
    if (target_ != nullptr)
        target_->Clear();
}
