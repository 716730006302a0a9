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
} // namespace

VDataFormatInfo VDataHolderEdgePairSet::DefaultFormat()
{
    return {kFormatIdentifier, {{kE0Key, 2, {}}, {kE1Key, 2, {}}, {kE2Key, 2, {}}}};
}

VDataHolderEdgePairSet::VDataHolderEdgePairSet(VDataFormatInfo format)
    : VResultDataHolder(std::move(format))
{
}

std::uint32_t VDataHolderEdgePairSet::GetItemCount() const
{
    return GetSource() != nullptr ? std::uint32_t(GetSource()->edgePairs.size()) : 0;
}

void VDataHolderEdgePairSet::Prepare(std::uint32_t count)
{
    if (GetTarget() != nullptr)
        Reserve(GetTarget()->edgePairs, count);
}

void VDataHolderEdgePairSet::WriteItem(VByteWriter& writer, std::uint32_t index) const
{
    const EdgePair& pair = GetSource()->edgePairs.at(index);
    for (const VFieldDescriptor& field : GetFormatInfo().fields)
    {
        if (const std::uint16_t* value = ValueOf(pair, field.key))
            writer.PutUInt16(*value);
        else
            RecordSchema::WriteFillerField(writer, field);
    }
}

void VDataHolderEdgePairSet::Reset()
{
    if (GetTarget() != nullptr)
        GetTarget()->edgePairs.clear();
}

bool VDataHolderEdgePairSet::ReadTargetItem(VBoundedReader& reader,
                                            const VDataFormatInfo& fileFormat, EdgePairSet& target)
{
    EdgePair pair;
    for (const VFieldDescriptor& field : fileFormat.fields)
    {
        std::uint16_t* value = ValueOf(pair, field.key);
        if (!(value != nullptr ? reader.ReadUInt16(*value)
                               : RecordSchema::SkipField(reader, field)))
            return false;
    }
    target.edgePairs.push_back(pair);
    return true;
}
} // namespace X2DIO
