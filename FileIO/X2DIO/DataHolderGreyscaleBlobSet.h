#pragma once
// The data holder of greyscale blob items (format 0xDFBB). An item is one blob: a variable
// field with its lines (x, row, pixel count, one byte per pixel) and a 32-bit field whose low
// 16 bits are the blob's flags. Lines and pixels go into the set's shared line list and pixel
// buffer; each blob and line says where its part begins.
//
// Thread rules: thread-bound to the reader or writer it is registered with.

#include "FileIO/X2DIO/CameraFrameData.h"
#include "FileIO/X2DIO/ResultDataHolder.h"

namespace X2DIO
{
class VDataHolderGreyscaleBlobSet
    : public VResultDataHolder<GreyscaleBlobSet, GreyscaleBlob, &GreyscaleBlobSet::blobs>
{
public:
    static constexpr std::int16_t kFormatIdentifier = std::int16_t(0xDFBB);
    static constexpr std::int16_t kLinesKey = std::int16_t(0xBB00);
    static constexpr std::int16_t kFlagsKey = std::int16_t(0xBB01);

    static VDataFormatInfo DefaultFormat();

    explicit VDataHolderGreyscaleBlobSet(VDataFormatInfo format = DefaultFormat());

    // The source's lines and pixel ranges must lie within its lists.
    void WriteItem(VByteWriter& writer, std::uint32_t index) const override;
    // Empties the target's lines and pixels too.
    void Reset() override;

protected:
    bool ReadTargetItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat,
                        GreyscaleBlobSet& target) override;
};
} // namespace X2DIO
