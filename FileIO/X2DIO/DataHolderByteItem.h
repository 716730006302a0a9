#pragma once
// The common part of the X2D data holders whose item is one byte under one key (frame
// information and camera frame information): the format the holder writes, the byte, and the
// writing of an item, which puts the byte under its key and filler under any other key.
//
// Thread rules: thread-bound to the reader or writer it is registered with.

#include "FileIO/FramePlugins.h"

namespace X2DIO
{
class VDataHolderByteItem : public IDataHolder
{
public:
    const VDataFormatInfo& GetFormatInfo() const override { return format_; }
    void Prepare(std::uint32_t) override {}
    void WriteItem(VByteWriter& writer, std::uint32_t index) const override;

protected:
    // The one-field format {identifier, {valueKey, 1 byte}}.
    static VDataFormatInfo MakeFormat(std::int16_t identifier, std::int16_t valueKey);

    VDataHolderByteItem(VDataFormatInfo format, std::int16_t valueKey);

    // Reads the byte from the field under the value key and skips every other field.
    bool ReadValue(VBoundedReader& reader, const VDataFormatInfo& fileFormat);

    std::uint8_t GetByte() const { return value_; }
    void SetByte(std::uint8_t value) { value_ = value; }

private:
    VDataFormatInfo format_;
    std::int16_t valueKey_;
    std::uint8_t value_ = 0;
};
} // namespace X2DIO
