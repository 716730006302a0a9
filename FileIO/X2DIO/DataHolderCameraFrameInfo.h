#pragma once
// The data holder of camera frame information items (format 0xDFEE): one byte per camera
// record, which the reader hands on as the greyscale blob set's frame flags.
//
// Thread rules: thread-bound to the reader or writer it is registered with.

#include "FileIO/FramePlugins.h"

namespace X2DIO
{
class VDataHolderCameraFrameInfo : public IDataHolder
{
public:
    static constexpr std::int16_t kFormatIdentifier = std::int16_t(0xDFEE);
    static constexpr std::int16_t kFlagsKey = std::int16_t(0xCC00);

    static VDataFormatInfo DefaultFormat();

    explicit VDataHolderCameraFrameInfo(VDataFormatInfo format = DefaultFormat());

    // The byte last read, 0 after Reset().
    std::uint8_t GetValue() const { return value_; }
    // The byte to write; the holder then holds one item.
    void SetValue(std::uint8_t value);

    const VDataFormatInfo& GetFormatInfo() const override { return format_; }
    std::uint32_t GetItemCount() const override { return count_; }
    void Prepare(std::uint32_t) override {}
    bool ReadItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat) override;
    void WriteItem(VByteWriter& writer, std::uint32_t index) const override;
    void Reset() override;

private:
    VDataFormatInfo format_;
    std::uint8_t value_ = 0;
    std::uint32_t count_ = 0;
};
} // namespace X2DIO
