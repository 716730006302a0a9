#include "FileIO/X2DIO/DataHolderByteItem.h"

#include "FileIO/X2DIO/ValueCodec.h"

#include <utility>

namespace X2DIO
{
VDataFormatInfo VDataHolderByteItem::MakeFormat(std::int16_t identifier, std::int16_t valueKey)
{
    return {identifier, {{valueKey, 1, {}}}};
}

VDataHolderByteItem::VDataHolderByteItem(VDataFormatInfo format, std::int16_t valueKey)
    : format_(std::move(format)), valueKey_(valueKey)
{
}

void VDataHolderByteItem::WriteItem(VByteWriter& writer, std::uint32_t) const
{
    for (const VFieldDescriptor& field : format_.fields)
    {
        if (field.key == valueKey_)
            ValueCodec::PutUInt8(writer, value_);
        else
            RecordSchema::WriteFillerField(writer, field);
    }
}

bool VDataHolderByteItem::ReadValue(VBoundedReader& reader, const VDataFormatInfo& fileFormat)
{
    for (const VFieldDescriptor& field : fileFormat.fields)
    {
        const bool read = field.key == valueKey_ ? ValueCodec::ReadUInt8(reader, value_)
                                                 : RecordSchema::SkipField(reader, field);
        if (!read)
            return false;
    }
    return true;
}
} // namespace X2DIO
