#pragma once
// The self-describing container shared by the trial file formats: section markers, record
// markers, data format descriptions (VDataFormatInfo) and the encoding of field values with
// the rule that skips unknown fields by their size. Reading goes through VBoundedReader,
// writing through VByteWriter; each structure is decoded and encoded here and nowhere else.
//
// Thread rules: reentrant (plain values and free functions; no shared state).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class VBoundedReader;
class VByteWriter;

// 6 bytes: int16 tag, int32 length of what follows.
struct VSectionMarker
{
    std::int16_t tag = 0;
    std::int32_t length = 0;
};

// 10 bytes: int16 tag, int32 length of what follows, int32 value.
struct VRecordMarker
{
    std::int16_t tag = 0;
    std::int32_t length = 0;
    std::int32_t value = 0;
};

// A custom header section a writer emits as given, for files that carry sections no reader
// knows.
struct VRawSection
{
    std::int16_t tag = 0;
    std::vector<std::uint8_t> contents;
};

struct VFieldDescriptor
{
    static constexpr std::int32_t kVariableSize = -1;

    std::int16_t key = 0;
    // Bytes of the value, or kVariableSize for a value that starts with its own int32 length.
    std::int32_t size = kVariableSize;
    // Kept as stored; the meaning belongs to the format.
    std::vector<std::uint8_t> extra;
};

// The field list of one kind of record, in file order.
struct VDataFormatInfo
{
    std::int16_t identifier = 0;
    std::vector<VFieldDescriptor> fields;

    // The fewest bytes an item of this format can occupy (a variable field needs its length).
    std::uint64_t GetMinimumItemSize() const;
};

namespace RecordSchema
{
constexpr std::int16_t kFrameTag = -1;
constexpr std::size_t kSectionMarkerSize = 6;
constexpr std::size_t kRecordMarkerSize = 10;
// A description with no fields: identifier and count.
constexpr std::size_t kMinimumFormatInfoSize = 6;

bool ReadSectionMarker(VBoundedReader& reader, VSectionMarker& marker);
void WriteSectionMarker(VByteWriter& writer, const VSectionMarker& marker);
bool ReadRecordMarker(VBoundedReader& reader, VRecordMarker& marker);
void WriteRecordMarker(VByteWriter& writer, const VRecordMarker& marker);

// Refuses descriptor counts that cannot fit in the remaining bytes and sizes below -1.
bool ReadFormatInfo(VBoundedReader& reader, VDataFormatInfo& format);
// Reads a variable field whose contents are read by `readContents` within the field's length
// (a list of items, say), then moves to the field's end.
bool ReadVariableField(VBoundedReader& reader,
                       const std::function<bool(VBoundedReader&)>& readContents);
void WriteFormatInfo(VByteWriter& writer, const VDataFormatInfo& format);

// Moves past one value of `field` by its stated size or by its own length.
bool SkipField(VBoundedReader& reader, const VFieldDescriptor& field);
// Reads the int32 length L that opens a variable field (L counts itself; below 4 is refused)
// and gives the field's end.
bool ReadVariableFieldEnd(VBoundedReader& reader, std::uint64_t& end);
bool ReadStringField(VBoundedReader& reader, std::string& text);
void WriteStringField(VByteWriter& writer, const std::string& text);
// A value for a field the writer has no data for: fixed fields get `size` filler bytes,
// variable fields a short filler payload behind their length.
void WriteFillerField(VByteWriter& writer, const VFieldDescriptor& field);

// Length placeholders patched once the contents are written: each Begin… returns the offset
// of its marker or field, to be handed to the matching End….
std::size_t BeginSection(VByteWriter& writer, std::int16_t tag);
void EndSection(VByteWriter& writer, std::size_t begin);
std::size_t BeginRecord(VByteWriter& writer, std::int16_t tag, std::int32_t value);
void EndRecord(VByteWriter& writer, std::size_t begin);
std::size_t BeginVariableField(VByteWriter& writer);
void EndVariableField(VByteWriter& writer, std::size_t begin);
} // namespace RecordSchema
