#include "FileIO/X2DIO/DataHolderFrameInfo.h"

#include <utility>

namespace X2DIO
{
VDataFormatInfo VDataHolderFrameInfo::DefaultFormat()
{
    return MakeFormat(kFormatIdentifier, kWrittenKey);
}

VDataHolderFrameInfo::VDataHolderFrameInfo(VDataFormatInfo format)
    : VDataHolderByteItem(std::move(format), kWrittenKey)
{
}

bool VDataHolderFrameInfo::ReadItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat)
{
    for (const VFieldDescriptor& field : fileFormat.fields)
        if (!RecordSchema::SkipField(reader, field))
            return false;
    return true;
}
} // namespace X2DIO
