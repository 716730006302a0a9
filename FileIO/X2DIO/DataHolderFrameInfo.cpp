#include "FileIO/X2DIO/DataHolderFrameInfo.h"

#include "FileIO/ByteWriter.h"
#include "FileIO/X2DIO/ValueCodec.h"

#include <utility>

namespace X2DIO
{
VDataFormatInfo VDataHolderFrameInfo::DefaultFormat()
{
    return {kFormatIdentifier, {{kWrittenKey, 1, {}}}};
}

VDataHolderFrameInfo::VDataHolderFrameInfo(VDataFormatInfo format) : format_(std::move(format)) {}

bool VDataHolderFrameInfo::ReadItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat)
{
    for (const VFieldDescriptor& field : fileFormat.fields)
        if (!RecordSchema::SkipField(reader, field))
            return false;
    return true;
}

void VDataHolderFrameInfo::WriteItem(VByteWriter& writer, std::uint32_t) const
{
    for (const VFieldDescriptor& field : format_.fields)
    {
        if (field.key == kWrittenKey)
            ValueCodec::PutUInt8(writer, value_);
        else
            RecordSchema::WriteFillerField(writer, field);
    }
}
} // namespace X2DIO
