#pragma once
// The data holder of camera frame information items (format 0xDFEE): one byte per camera
// record, which the reader hands on as the greyscale blob set's frame flags.
//
// Thread rules: thread-bound to the reader or writer it is registered with.

#include "FileIO/X2DIO/DataHolderByteItem.h"

namespace X2DIO
{
class VDataHolderCameraFrameInfo : public VDataHolderByteItem
{
public:
    static constexpr std::int16_t kFormatIdentifier = std::int16_t(0xDFEE);
    static constexpr std::int16_t kFlagsKey = std::int16_t(0xCC00);

    static VDataFormatInfo DefaultFormat();

    explicit VDataHolderCameraFrameInfo(VDataFormatInfo format = DefaultFormat());

    // The byte last read, 0 after Reset().
    std::uint8_t GetValue() const { return GetByte(); }
    // The byte to write; the holder then holds one item.
    void SetValue(std::uint8_t value);

    // Items read since Reset(), or the one set.
    std::uint32_t GetItemCount() const override { return count_; }
    bool ReadItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat) override;
    void Reset() override;

private:
    std::uint32_t count_ = 0;
};
} // namespace X2DIO
