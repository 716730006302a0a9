#include "FileIO/X2DIO/DataHolderEdgePairSet.h"

#include "FileIO/ByteWriter.h"

namespace X2DIO
{
namespace
{
// The member of `pair` that `key` stores, or null for other keys.
template <class TPair> auto* ValueOf(TPair& pair, std::int16_t key)
{
    switch (key)
    {
    case VDataHolderEdgePairSet::kE0Key:
        return &pair.e0;
    case VDataHolderEdgePairSet::kE1Key:
        return &pair.e1;
    case VDataHolderEdgePairSet::kE2Key:
        return &pair.e2;
    default:
        return decltype(&pair.e0)(nullptr);
    }
}

bool ReadEdgePairField(VBoundedReader& reader, const VFieldDescriptor& field, EdgePair& pair)
{
    std::uint16_t* value = ValueOf(pair, field.key);
    return value != nullptr ? reader.ReadUInt16(*value) : RecordSchema::SkipField(reader, field);
}

void PutEdgePairField(VByteWriter& writer, const VFieldDescriptor& field, const EdgePair& pair)
{
    if (const std::uint16_t* value = ValueOf(pair, field.key))
        writer.PutUInt16(*value);
    else
        RecordSchema::WriteFillerField(writer, field);
}
} // namespace

VDataFormatInfo VDataHolderEdgePairSet::DefaultFormat()
{
    return {kFormatIdentifier, {{kE0Key, 2, {}}, {kE1Key, 2, {}}, {kE2Key, 2, {}}}};
}

VDataHolderEdgePairSet::VDataHolderEdgePairSet(VDataFormatInfo format)
    : VResultDataHolder(std::move(format))
{
}

void VDataHolderEdgePairSet::WriteItem(VByteWriter& writer, std::uint32_t index) const
{
    WriteItemFields(writer, index, PutEdgePairField);
}

bool VDataHolderEdgePairSet::ReadTargetItem(VBoundedReader& reader,
                                            const VDataFormatInfo& fileFormat, EdgePairSet& target)
{
    return AppendItem(reader, fileFormat, target, EdgePair(), ReadEdgePairField);
}
} // namespace X2DIO
