#pragma once
// The data holder of centroid track items (format 0xDFD0): an int64 track identifier, an
// int32 value and a float weight per item.
//
// Thread rules: thread-bound to the reader or writer it is registered with.

#include "FileIO/X2DIO/CameraFrameData.h"
#include "FileIO/X2DIO/ResultDataHolder.h"

namespace X2DIO
{
class VDataHolderCentroidTrackSet
    : public VResultDataHolder<CentroidTrackSet, CentroidTrack, &CentroidTrackSet::tracks>
{
public:
    static constexpr std::int16_t kFormatIdentifier = std::int16_t(0xDFD0);
    static constexpr std::int16_t kIdentifierKey = std::int16_t(0xAA00);
    static constexpr std::int16_t kValueKey = std::int16_t(0xAA01);
    static constexpr std::int16_t kWeightKey = std::int16_t(0xAA02);

    static VDataFormatInfo DefaultFormat();

    explicit VDataHolderCentroidTrackSet(VDataFormatInfo format = DefaultFormat());

    void WriteItem(VByteWriter& writer, std::uint32_t index) const override;

protected:
    bool ReadTargetItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat,
                        CentroidTrackSet& target) override;
};
} // namespace X2DIO
