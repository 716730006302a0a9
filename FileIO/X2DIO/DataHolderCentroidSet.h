#pragma once
// The data holder of centroid items (format 0xDFAA). Positions, radius and quality are stored
// as fixed-point fields: a field of S bytes holds an unsigned integer that is multiplied by the
// scale kept as a float in the field descriptor's extra data. A padding field says in its extra
// data how many bits it takes; its size is not used. A block whose fields all have a fixed
// size (what writers write) is decoded item by item from the mapped bytes in one read each,
// by a layout worked out from the block's field list once per camera record.
//
// Thread rules: thread-bound to the reader or writer it is registered with.

#include "FileIO/X2DIO/CameraFrameData.h"
#include "FileIO/X2DIO/ResultDataHolder.h"

namespace X2DIO
{
class VDataHolderCentroidSet
    : public VResultDataHolder<CentroidSet, Centroid, &CentroidSet::centroids>
{
public:
    static constexpr std::int16_t kFormatIdentifier = std::int16_t(0xDFAA);
    static constexpr std::int16_t kXKey = std::int16_t(0xAA00);
    static constexpr std::int16_t kYKey = std::int16_t(0xAA01);
    static constexpr std::int16_t kRadiusKey = std::int16_t(0xAA02);
    static constexpr std::int16_t kQualityKey = std::int16_t(0xAA03);
    static constexpr std::int16_t kPaddingKey = std::int16_t(0xAA04);

    // The writer's field list for sensors up to the given size in pixels: 3-byte positions
    // and radius scaled to the sensor, a 2-byte quality and an empty padding field.
    static VDataFormatInfo MakeFormat(std::int32_t sensorWidth, std::int32_t sensorHeight);

    explicit VDataHolderCentroidSet(VDataFormatInfo format = MakeFormat(1, 1));

    void WriteItem(VByteWriter& writer, std::uint32_t index) const override;
    void Reset() override;

protected:
    bool ReadTargetItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat,
                        CentroidSet& target) override;
    bool SkipItemField(VBoundedReader& reader, const VFieldDescriptor& field) const override;

private:
    // Where each value of a fixed-size item lies and how it is scaled.
    struct VFixedField
    {
        std::int16_t key;
        std::uint32_t offset;
        std::uint32_t size;
        double scale;
    };
    struct VFixedLayout
    {
        bool known = false;
        bool usable = false;
        std::uint32_t itemSize = 0;
        std::vector<VFixedField> fields;
    };

    void LearnLayout(const VDataFormatInfo& fileFormat);
    bool ReadFixedItem(VBoundedReader& reader, CentroidSet& target);

    VFixedLayout layout_;
};
} // namespace X2DIO
