#include "FileIO/X2DIO/DataHolderCentroidSet.h"

#include "FileIO/ByteWriter.h"
#include "FileIO/X2DIO/ValueCodec.h"

#include <algorithm>
#include <cmath>

namespace X2DIO
{
namespace
{
constexpr double kPositionRange = 16777216.0; // 2^24
constexpr double kQualityRange = 65536.0;     // 2^16
constexpr std::int32_t kPositionSize = 3;
constexpr std::int32_t kQualitySize = 2;

VFieldDescriptor MakeFixedPointField(std::int16_t key, std::int32_t size, double scale)
{
    return {key, size, ValueCodec::StoreFloat(float(scale))};
}

bool ReadFixedPoint(VBoundedReader& reader, const VFieldDescriptor& field, double& value)
{
    float scale = 0.0f;
    if (field.size < 0 || !ValueCodec::LoadFloat(field.extra, scale))
        return reader.Fail(EReadFailure::InvalidLength);
    std::uint64_t raw = 0;
    if (!reader.ReadUnsigned(std::size_t(field.size), raw))
        return false;
    value = double(raw) * double(scale);
    return true;
}

void PutFixedPoint(VByteWriter& writer, const VFieldDescriptor& field, double value)
{
    float scale = 0.0f;
    ValueCodec::LoadFloat(field.extra, scale);
    const std::size_t size = std::size_t(std::max(field.size, 0));
    // The largest value the field holds that a double can name exactly.
    const double largest = size >= ValueCodec::kMaxUnsignedBytes
                               ? std::nextafter(std::ldexp(1.0, 64), 0.0)
                               : std::ldexp(1.0, 8 * int(size)) - 1;
    const double scaled = scale > 0.0f ? std::round(value / double(scale)) : 0.0;
    ValueCodec::PutUnsigned(writer, size, std::uint64_t(std::clamp(scaled, 0.0, largest)));
}

std::uint64_t PaddingBytes(const VFieldDescriptor& field)
{
    std::uint32_t bits = 0;
    ValueCodec::LoadUInt32(field.extra, bits);
    return (std::uint64_t(bits) + 7) / 8;
}

bool ReadCentroidField(VBoundedReader& reader, const VFieldDescriptor& field, Centroid& centroid)
{
    switch (field.key)
    {
    case VDataHolderCentroidSet::kXKey:
        return ReadFixedPoint(reader, field, centroid.x);
    case VDataHolderCentroidSet::kYKey:
        return ReadFixedPoint(reader, field, centroid.y);
    case VDataHolderCentroidSet::kRadiusKey:
        return ReadFixedPoint(reader, field, centroid.radius);
    case VDataHolderCentroidSet::kQualityKey:
    {
        double quality = 0.0;
        if (!ReadFixedPoint(reader, field, quality))
            return false;
        centroid.quality = float(quality);
        return true;
    }
    case VDataHolderCentroidSet::kPaddingKey:
        return reader.Skip(PaddingBytes(field));
    default:
        return RecordSchema::SkipField(reader, field);
    }
}

void PutCentroidField(VByteWriter& writer, const VFieldDescriptor& field, const Centroid& centroid)
{
    switch (field.key)
    {
    case VDataHolderCentroidSet::kXKey:
        return PutFixedPoint(writer, field, centroid.x);
    case VDataHolderCentroidSet::kYKey:
        return PutFixedPoint(writer, field, centroid.y);
    case VDataHolderCentroidSet::kRadiusKey:
        return PutFixedPoint(writer, field, centroid.radius);
    case VDataHolderCentroidSet::kQualityKey:
        return PutFixedPoint(writer, field, centroid.quality);
    case VDataHolderCentroidSet::kPaddingKey:
        return writer.PutFill(0, std::size_t(PaddingBytes(field)));
    default:
        return RecordSchema::WriteFillerField(writer, field);
    }
}
} // namespace

VDataFormatInfo VDataHolderCentroidSet::MakeFormat(std::int32_t sensorWidth,
                                                   std::int32_t sensorHeight)
{
    const double radius = std::max(sensorWidth, sensorHeight) / 2.0;
    return {kFormatIdentifier,
            {MakeFixedPointField(kXKey, kPositionSize, sensorWidth / kPositionRange),
             MakeFixedPointField(kYKey, kPositionSize, sensorHeight / kPositionRange),
             MakeFixedPointField(kRadiusKey, kPositionSize, radius / kPositionRange),
             MakeFixedPointField(kQualityKey, kQualitySize, 1.0 / kQualityRange),
             {kPaddingKey, 0, ValueCodec::StoreUInt32(0)}}};
}

VDataHolderCentroidSet::VDataHolderCentroidSet(VDataFormatInfo format)
    : VResultDataHolder(std::move(format))
{
}

void VDataHolderCentroidSet::WriteItem(VByteWriter& writer, std::uint32_t index) const
{
    WriteItemFields(writer, index, PutCentroidField);
}

bool VDataHolderCentroidSet::ReadTargetItem(VBoundedReader& reader,
                                            const VDataFormatInfo& fileFormat, CentroidSet& target)
{
    if (!layout_.known)
        LearnLayout(fileFormat);
    if (layout_.usable && ReadFixedItem(reader, target))
        return true;
    return AppendItem(reader, fileFormat, target, Centroid(), ReadCentroidField);
}

void VDataHolderCentroidSet::Reset()
{
    VResultDataHolder::Reset();
    layout_.known = false;
}

// Usable when every field takes a fixed number of bytes that the field list states, the
// values are at most 8 bytes with a scale, and an item takes at least one byte; any other
// list is read field by field.
void VDataHolderCentroidSet::LearnLayout(const VDataFormatInfo& fileFormat)
{
    layout_ = VFixedLayout();
    layout_.known = true;
    std::uint64_t offset = 0;
    for (const VFieldDescriptor& field : fileFormat.fields)
    {
        const bool isValue = field.key >= kXKey && field.key <= kQualityKey;
        float scale = 0.0f;
        if (isValue &&
            (field.size < 0 || field.size > 8 || !ValueCodec::LoadFloat(field.extra, scale)))
            return;
        const std::uint64_t size = field.key == kPaddingKey ? PaddingBytes(field)
                                   : field.size < 0         ? 0
                                                            : std::uint64_t(field.size);
        if (field.key != kPaddingKey && field.size < 0)
            return;
        if (isValue)
            layout_.fields.push_back(
                {field.key, std::uint32_t(offset), std::uint32_t(size), double(scale)});
        offset += size;
        if (offset > 0xFFFF)
            return;
    }
    layout_.itemSize = std::uint32_t(offset);
    layout_.usable = offset > 0;
}

// One item straight from the mapped bytes; false, with nothing read, when its bytes are not
// in one mapped window within the limit (the field-by-field path then reads or refuses it).
bool VDataHolderCentroidSet::ReadFixedItem(VBoundedReader& reader, CentroidSet& target)
{
    const std::uint8_t* bytes = reader.ReadInPlace(layout_.itemSize);
    if (bytes == nullptr)
        return false;
    Centroid centroid;
    for (const VFixedField& field : layout_.fields)
    {
        std::uint64_t raw = 0;
        for (std::uint32_t i = field.size; i-- > 0;)
            raw = raw << 8 | bytes[field.offset + i];
        const double value = double(raw) * field.scale;
        switch (field.key)
        {
        case kXKey:
            centroid.x = value;
            break;
        case kYKey:
            centroid.y = value;
            break;
        case kRadiusKey:
            centroid.radius = value;
            break;
        default:
            centroid.quality = float(value);
        }
    }
    target.centroids.push_back(centroid);
    return true;
}

bool VDataHolderCentroidSet::SkipItemField(VBoundedReader& reader,
                                           const VFieldDescriptor& field) const
{
    if (field.key == kPaddingKey)
        return reader.Skip(PaddingBytes(field));
    return RecordSchema::SkipField(reader, field);
}
} // namespace X2DIO
