#pragma once
// The data holder of edge pair items (format 0xDFCC): three uint16 values per item, passed on
// unchanged.
//
// Thread rules: thread-bound to the reader or writer it is registered with.

#include "FileIO/X2DIO/CameraFrameData.h"
#include "FileIO/X2DIO/ResultDataHolder.h"

namespace X2DIO
{
class VDataHolderEdgePairSet
    : public VResultDataHolder<EdgePairSet, EdgePair, &EdgePairSet::edgePairs>
{
public:
    static constexpr std::int16_t kFormatIdentifier = std::int16_t(0xDFCC);
    static constexpr std::int16_t kE0Key = std::int16_t(0xCC00);
    static constexpr std::int16_t kE1Key = std::int16_t(0xCC01);
    static constexpr std::int16_t kE2Key = std::int16_t(0xCC02);

    static VDataFormatInfo DefaultFormat();

    explicit VDataHolderEdgePairSet(VDataFormatInfo format = DefaultFormat());

    void WriteItem(VByteWriter& writer, std::uint32_t index) const override;

protected:
    bool ReadTargetItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat,
                        EdgePairSet& target) override;
};
} // namespace X2DIO
