#include "FileIO/X2DIO/DataHolderCameraFrameInfo.h"

#include <utility>

namespace X2DIO
{
VDataFormatInfo VDataHolderCameraFrameInfo::DefaultFormat()
{
    return MakeFormat(kFormatIdentifier, kFlagsKey);
}

VDataHolderCameraFrameInfo::VDataHolderCameraFrameInfo(VDataFormatInfo format)
    : VDataHolderByteItem(std::move(format), kFlagsKey)
{
}

void VDataHolderCameraFrameInfo::SetValue(std::uint8_t value)
{
    SetByte(value);
    count_ = 1;
}

bool VDataHolderCameraFrameInfo::ReadItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat)
{
    if (!ReadValue(reader, fileFormat))
        return false;
    ++count_;
    return true;
}

void VDataHolderCameraFrameInfo::Reset()
{
    SetByte(0);
    count_ = 0;
}
} // namespace X2DIO
