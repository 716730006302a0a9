#include "FileIO/X2DIO/StartTimecodeHeader.h"

#include "FileIO/BoundedReader.h"

#include <utility>

namespace X2DIO
{
VDataFormatInfo VStartTimecodeHeader::DefaultFormat()
{
    return {std::int16_t(0x5CAA), {{kTextKey, VFieldDescriptor::kVariableSize, {}}}};
}

VStartTimecodeHeader::VStartTimecodeHeader(VDataFormatInfo format) : format_(std::move(format)) {}

bool VStartTimecodeHeader::Read(VBoundedReader& reader)
{
    text_.clear();
    VDataFormatInfo format;
    if (!RecordSchema::ReadFormatInfo(reader, format))
        return false;
    for (const VFieldDescriptor& field : format.fields)
    {
        const bool read = field.key == kTextKey ? RecordSchema::ReadStringField(reader, text_)
                                                : RecordSchema::SkipField(reader, field);
        if (!read)
            return false;
    }
    return true;
}

void VStartTimecodeHeader::Write(VByteWriter& writer) const
{
    RecordSchema::WriteFormatInfo(writer, format_);
    for (const VFieldDescriptor& field : format_.fields)
    {
        if (field.key == kTextKey)
            RecordSchema::WriteStringField(writer, text_);
        else
            RecordSchema::WriteFillerField(writer, field);
    }
}
} // namespace X2DIO
