#pragma once
// The data holder of the per-frame information record (format 0xFDDF). The reader keeps
// nothing of it and skips every field; a writer puts one byte into the record.
//
// Thread rules: thread-bound to the reader or writer that owns it.

#include "FileIO/FramePlugins.h"

namespace X2DIO
{
class VDataHolderFrameInfo : public IDataHolder
{
public:
    static constexpr std::int16_t kFormatIdentifier = std::int16_t(0xFDDF);
    // The key of the byte a writer stores; readers do not know it.
    static constexpr std::int16_t kWrittenKey = std::int16_t(0xDD00);

    static VDataFormatInfo DefaultFormat();

    explicit VDataHolderFrameInfo(VDataFormatInfo format = DefaultFormat());

    // The byte the next WriteItem() writes.
    void SetValue(std::uint8_t value) { value_ = value; }

    const VDataFormatInfo& GetFormatInfo() const override { return format_; }
    // A frame has one frame information record.
    std::uint32_t GetItemCount() const override { return 1; }
    void Prepare(std::uint32_t) override {}
    bool ReadItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat) override;
    void WriteItem(VByteWriter& writer, std::uint32_t index) const override;
    void Reset() override {}

private:
    VDataFormatInfo format_;
    std::uint8_t value_ = 0;
};
} // namespace X2DIO
