#pragma once
// The plug-in contracts of the frame-file readers and writers. A custom header reads and
// writes the contents of the header section whose tag is its identifier; a data holder reads
// and writes the items of the blocks whose format identifier is that of its format.
//
// Thread rules: a plug-in is thread-bound to the reader or writer it is registered with.

#include "FileIO/RecordSchema.h"

#include <cstdint>

class VBoundedReader;
class VByteWriter;

class ICustomHeader
{
public:
    virtual ~ICustomHeader();
    virtual std::int16_t GetIdentifier() const = 0;
    // Reads the section contents at the reader's position, within the reader's limit.
    virtual bool Read(VBoundedReader& reader) = 0;
    virtual void Write(VByteWriter& writer) const = 0;
};

class IDataHolder
{
public:
    virtual ~IDataHolder();
    // The identifier names the blocks this holder reads; the fields are the ones it writes.
    virtual const VDataFormatInfo& GetFormatInfo() const = 0;
    // Items held: those read since the last Reset(), or those a writer is to write.
    virtual std::uint32_t GetItemCount() const = 0;
    // Called before a block that announces `count` items, so the holder may reserve room.
    virtual void Prepare(std::uint32_t count) = 0;
    // Reads one item encoded by `fileFormat`, the field list the file gives for this format.
    virtual bool ReadItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat) = 0;
    // Writes item `index` encoded by GetFormatInfo().
    virtual void WriteItem(VByteWriter& writer, std::uint32_t index) const = 0;
    // Empties the current result; called at the start of every sub-frame or camera record.
    virtual void Reset() = 0;
};
