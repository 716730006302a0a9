#pragma once
// The data holder of the per-frame information record (format 0xFDDF). The reader keeps
// nothing of it and skips every field; a writer puts one byte into the record.
//
// Thread rules: thread-bound to the reader or writer that owns it.

#include "FileIO/X2DIO/DataHolderByteItem.h"

namespace X2DIO
{
class VDataHolderFrameInfo : public VDataHolderByteItem
{
public:
    static constexpr std::int16_t kFormatIdentifier = std::int16_t(0xFDDF);
    // The key of the byte a writer stores; readers do not know it.
    static constexpr std::int16_t kWrittenKey = std::int16_t(0xDD00);

    static VDataFormatInfo DefaultFormat();

    explicit VDataHolderFrameInfo(VDataFormatInfo format = DefaultFormat());

    // The byte the next WriteItem() writes.
    void SetValue(std::uint8_t value) { SetByte(value); }

    // A frame has one frame information record.
    std::uint32_t GetItemCount() const override { return 1; }
    bool ReadItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat) override;
    void Reset() override {}
};
} // namespace X2DIO
