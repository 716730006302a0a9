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
    return AppendItem(reader, fileFormat, target, Centroid(), ReadCentroidField);
}

bool VDataHolderCentroidSet::SkipItemField(VBoundedReader& reader,
                                           const VFieldDescriptor& field) const
{
    if (field.key == kPaddingKey)
        return reader.Skip(PaddingBytes(field));
    return RecordSchema::SkipField(reader, field);
}
} // namespace X2DIO
