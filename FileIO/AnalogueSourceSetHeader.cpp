#include "FileIO/AnalogueSourceSetHeader.h"

#include "FileIO/BoundedReader.h"
#include "FileIO/ByteWriter.h"

#include <utility>

namespace
{
constexpr std::int16_t kSourceSetListKey = 0x0A0A;
constexpr std::int16_t kIdentifierKey = std::int16_t(0xAA00);
constexpr std::int16_t kSecondNameKey = std::int16_t(0xAA01);
constexpr std::int16_t kFirstNameKey = std::int16_t(0xAA02);
constexpr std::int16_t kSourceListKey = std::int16_t(0xAA03);
constexpr std::int16_t kSourceNumberKey = std::int16_t(0xAA05);
constexpr std::int16_t kValueAKey = std::int16_t(0xAA50);
constexpr std::int16_t kValueBKey = std::int16_t(0xAA51);
constexpr std::int16_t kValueCKey = std::int16_t(0xAA52);
constexpr std::int32_t kVariable = VFieldDescriptor::kVariableSize;

bool ReadSourceSetValue(VBoundedReader& reader, const VFieldDescriptor& field,
                        VAnalogueSourceSetSpec& set)
{
    switch (field.key)
    {
    case kIdentifierKey:
        return reader.ReadInt32(set.identifier);
    case kFirstNameKey:
        return RecordSchema::ReadStringField(reader, set.firstName);
    case kSecondNameKey:
        return RecordSchema::ReadStringField(reader, set.secondName);
    case kValueAKey:
        return reader.ReadInt64(set.valueA);
    case kValueBKey:
        return reader.ReadInt64(set.valueB);
    case kValueCKey:
        return reader.ReadInt64(set.valueC);
    default:
        return RecordSchema::SkipField(reader, field);
    }
}

// False for keys that WriteSourceSetValue() does not know.
bool WriteSourceSetValue(VByteWriter& writer, std::int16_t key, const VAnalogueSourceSetSpec& set)
{
    switch (key)
    {
    case kIdentifierKey:
        writer.PutInt32(set.identifier);
        return true;
    case kFirstNameKey:
        RecordSchema::WriteStringField(writer, set.firstName);
        return true;
    case kSecondNameKey:
        RecordSchema::WriteStringField(writer, set.secondName);
        return true;
    case kValueAKey:
        writer.PutInt64(set.valueA);
        return true;
    case kValueBKey:
        writer.PutInt64(set.valueB);
        return true;
    case kValueCKey:
        writer.PutInt64(set.valueC);
        return true;
    default:
        return false;
    }
}
} // namespace

VAnalogueSourceSetFormats VAnalogueSourceSetFormats::Default()
{
    VAnalogueSourceSetFormats formats;
    formats.header = {std::int16_t(0xAFAC), {{kSourceSetListKey, kVariable, {}}}};
    formats.sourceSet = {std::int16_t(0xAFAB),
                         {{kIdentifierKey, 4, {}},
                          {kFirstNameKey, kVariable, {}},
                          {kSecondNameKey, kVariable, {}},
                          {kValueAKey, 8, {}},
                          {kValueBKey, 8, {}},
                          {kValueCKey, 8, {}},
                          {kSourceListKey, kVariable, {}}}};
    formats.source = {std::int16_t(0xAFAA), {{kSourceNumberKey, 4, {}}}};
    return formats;
}

VAnalogueSourceSetHeader::VAnalogueSourceSetHeader(VAnalogueSourceSetFormats formats)
    : formats_(std::move(formats))
{
}

bool VAnalogueSourceSetHeader::Read(VBoundedReader& reader)
{
    sourceSets_.clear();
    VDataFormatInfo format;
    if (!RecordSchema::ReadFormatInfo(reader, format))
        return false;
    for (const VFieldDescriptor& field : format.fields)
    {
        const bool read = field.key == kSourceSetListKey ? ReadSourceSetList(reader)
                                                         : RecordSchema::SkipField(reader, field);
        if (!read)
            return false;
    }
    return true;
}

bool VAnalogueSourceSetHeader::ReadSourceSetList(VBoundedReader& reader)
{
    // The list is a record of its own: its count must fit in it, so a count cannot claim the
    // bytes of the header that follows.
    return RecordSchema::ReadVariableField(reader, [this](VBoundedReader& in)
                                           { return ReadSourceSets(in); });
}

bool VAnalogueSourceSetHeader::ReadSourceSets(VBoundedReader& reader)
{
    // Every set is at least its field description.
    std::uint32_t count = 0;
    if (!reader.ReadUInt32(count) || !reader.CountFits(count, RecordSchema::kMinimumFormatInfoSize))
        return false;
    // Sets are kept as they are read, never made ahead from the count.
    std::vector<VAnalogueSourceSetSpec> sets;
    for (std::uint32_t index = 0; index < count; ++index)
    {
        VAnalogueSourceSetSpec set;
        if (!ReadSourceSet(reader, set))
            return false;
        sets.push_back(std::move(set));
    }
    sourceSets_.insert(sourceSets_.end(), std::make_move_iterator(sets.begin()),
                       std::make_move_iterator(sets.end()));
    return true;
}

bool VAnalogueSourceSetHeader::ReadSourceSet(VBoundedReader& reader,
                                             VAnalogueSourceSetSpec& set) const
{
    VDataFormatInfo format;
    if (!RecordSchema::ReadFormatInfo(reader, format))
        return false;
    for (const VFieldDescriptor& field : format.fields)
        if (!ReadSourceSetField(reader, field, set))
            return false;
    return true;
}

bool VAnalogueSourceSetHeader::ReadSourceSetField(VBoundedReader& reader,
                                                  const VFieldDescriptor& field,
                                                  VAnalogueSourceSetSpec& set) const
{
    if (field.key == kSourceListKey)
        return ReadSourceList(reader, set.sources);
    return ReadSourceSetValue(reader, field, set);
}

bool VAnalogueSourceSetHeader::ReadSourceList(VBoundedReader& reader,
                                              std::vector<VAnalogueSourceSpec>& sources) const
{
    return RecordSchema::ReadVariableField(reader, [&](VBoundedReader& in)
                                           { return ReadSources(in, sources); });
}

bool VAnalogueSourceSetHeader::ReadSources(VBoundedReader& reader,
                                           std::vector<VAnalogueSourceSpec>& sources) const
{
    VDataFormatInfo format;
    std::uint32_t count = 0;
    if (!RecordSchema::ReadFormatInfo(reader, format) || !reader.ReadUInt32(count) ||
        !reader.CountFits(count, format.GetMinimumItemSize()))
        return false;
    sources.clear();
    for (std::uint32_t index = 0; index < count; ++index)
    {
        VAnalogueSourceSpec source;
        if (!ReadSource(reader, format, source))
            return false;
        sources.push_back(source);
    }
    return true;
}

bool VAnalogueSourceSetHeader::ReadSource(VBoundedReader& reader, const VDataFormatInfo& format,
                                          VAnalogueSourceSpec& source) const
{
    for (const VFieldDescriptor& field : format.fields)
    {
        const bool read = field.key == kSourceNumberKey ? reader.ReadInt32(source.number)
                                                        : RecordSchema::SkipField(reader, field);
        if (!read)
            return false;
    }
    return true;
}

void VAnalogueSourceSetHeader::Write(VByteWriter& writer) const
{
    RecordSchema::WriteFormatInfo(writer, formats_.header);
    for (const VFieldDescriptor& field : formats_.header.fields)
    {
        if (field.key == kSourceSetListKey)
            WriteSourceSetList(writer);
        else
            RecordSchema::WriteFillerField(writer, field);
    }
}

void VAnalogueSourceSetHeader::WriteSourceSetList(VByteWriter& writer) const
{
    const std::size_t begin = RecordSchema::BeginVariableField(writer);
    writer.PutUInt32(claimedCount_.value_or(std::uint32_t(sourceSets_.size())));
    for (const VAnalogueSourceSetSpec& set : sourceSets_)
        WriteSourceSet(writer, set);
    RecordSchema::EndVariableField(writer, begin);
}

void VAnalogueSourceSetHeader::WriteSourceSet(VByteWriter& writer,
                                              const VAnalogueSourceSetSpec& set) const
{
    RecordSchema::WriteFormatInfo(writer, formats_.sourceSet);
    for (const VFieldDescriptor& field : formats_.sourceSet.fields)
        WriteSourceSetField(writer, field, set);
}

void VAnalogueSourceSetHeader::WriteSourceSetField(VByteWriter& writer,
                                                   const VFieldDescriptor& field,
                                                   const VAnalogueSourceSetSpec& set) const
{
    if (field.key == kSourceListKey)
        WriteSourceList(writer, set.sources);
    else if (!WriteSourceSetValue(writer, field.key, set))
        RecordSchema::WriteFillerField(writer, field);
}

void VAnalogueSourceSetHeader::WriteSourceList(
    VByteWriter& writer, const std::vector<VAnalogueSourceSpec>& sources) const
{
    const std::size_t begin = RecordSchema::BeginVariableField(writer);
    RecordSchema::WriteFormatInfo(writer, formats_.source);
    writer.PutInt32(std::int32_t(sources.size()));
    for (const VAnalogueSourceSpec& source : sources)
        for (const VFieldDescriptor& field : formats_.source.fields)
        {
            if (field.key == kSourceNumberKey)
                writer.PutInt32(source.number);
            else
                RecordSchema::WriteFillerField(writer, field);
        }
    RecordSchema::EndVariableField(writer, begin);
}
