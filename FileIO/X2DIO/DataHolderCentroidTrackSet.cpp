#include "FileIO/X2DIO/DataHolderCentroidTrackSet.h"

#include "FileIO/ByteWriter.h"
#include "FileIO/X2DIO/ValueCodec.h"

namespace X2DIO
{
namespace
{
bool ReadTrackField(VBoundedReader& reader, const VFieldDescriptor& field, CentroidTrack& track)
{
    switch (field.key)
    {
    case VDataHolderCentroidTrackSet::kIdentifierKey:
        return reader.ReadInt64(track.identifier);
    case VDataHolderCentroidTrackSet::kValueKey:
        return reader.ReadInt32(track.value);
    case VDataHolderCentroidTrackSet::kWeightKey:
        return ValueCodec::ReadFloat(reader, track.weight);
    default:
        return RecordSchema::SkipField(reader, field);
    }
}

void PutTrackField(VByteWriter& writer, const VFieldDescriptor& field, const CentroidTrack& track)
{
    switch (field.key)
    {
    case VDataHolderCentroidTrackSet::kIdentifierKey:
        return writer.PutInt64(track.identifier);
    case VDataHolderCentroidTrackSet::kValueKey:
        return writer.PutInt32(track.value);
    case VDataHolderCentroidTrackSet::kWeightKey:
        return ValueCodec::PutFloat(writer, track.weight);
    default:
        return RecordSchema::WriteFillerField(writer, field);
    }
}
} // namespace

VDataFormatInfo VDataHolderCentroidTrackSet::DefaultFormat()
{
    return {kFormatIdentifier, {{kIdentifierKey, 8, {}}, {kValueKey, 4, {}}, {kWeightKey, 4, {}}}};
}

VDataHolderCentroidTrackSet::VDataHolderCentroidTrackSet(VDataFormatInfo format)
    : VResultDataHolder(std::move(format))
{
}

void VDataHolderCentroidTrackSet::WriteItem(VByteWriter& writer, std::uint32_t index) const
{
    WriteItemFields(writer, index, PutTrackField);
}

bool VDataHolderCentroidTrackSet::ReadTargetItem(VBoundedReader& reader,
                                                 const VDataFormatInfo& fileFormat,
                                                 CentroidTrackSet& target)
{
    return AppendItem(reader, fileFormat, target, CentroidTrack(), ReadTrackField);
}
} // namespace X2DIO
