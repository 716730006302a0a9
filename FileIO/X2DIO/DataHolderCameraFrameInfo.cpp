#include "FileIO/X2DIO/DataHolderCameraFrameInfo.h"

#include "FileIO/BoundedReader.h"
#include "FileIO/ByteWriter.h"
#include "FileIO/X2DIO/ValueCodec.h"

#include <utility>

namespace X2DIO
{
VDataFormatInfo VDataHolderCameraFrameInfo::DefaultFormat()
{
    return {kFormatIdentifier, {{kFlagsKey, 1, {}}}};
}

VDataHolderCameraFrameInfo::VDataHolderCameraFrameInfo(VDataFormatInfo format)
    : format_(std::move(format))
{
}

void VDataHolderCameraFrameInfo::SetValue(std::uint8_t value)
{
    value_ = value;
    count_ = 1;
}

bool VDataHolderCameraFrameInfo::ReadItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat)
{
    for (const VFieldDescriptor& field : fileFormat.fields)
    {
        const bool read = field.key == kFlagsKey ? ValueCodec::ReadUInt8(reader, value_)
                                                 : RecordSchema::SkipField(reader, field);
        if (!read)
            return false;
    }
    ++count_;
    return true;
}

void VDataHolderCameraFrameInfo::WriteItem(VByteWriter& writer, std::uint32_t) const
{
    for (const VFieldDescriptor& field : format_.fields)
    {
        if (field.key == kFlagsKey)
            ValueCodec::PutUInt8(writer, value_);
        else
            RecordSchema::WriteFillerField(writer, field);
    }
}

void VDataHolderCameraFrameInfo::Reset()
{
    value_ = 0;
    count_ = 0;
}
} // namespace X2DIO
