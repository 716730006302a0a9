#pragma once
// The common part of the X2D data holders that fill a caller's result object with one list of
// items (`kItems` of TResult): the format the holder writes, the result it reads into and the
// result it writes from (both not owned), the counting, reserving and emptying of the item
// list, the walk over an item's fields, and the rule that a holder without a result object
// skips each item field by field.
//
// Thread rules: thread-bound to the reader or writer it is registered with.

#include "FileIO/BoundedReader.h"
#include "FileIO/FramePlugins.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace X2DIO
{
template <class TResult, class TItem, std::vector<TItem> TResult::*kItems>
class VResultDataHolder : public IDataHolder
{
public:
    explicit VResultDataHolder(VDataFormatInfo format) : format_(std::move(format)) {}

    // Null (the default) skips the items.
    void SetTarget(TResult* target) { target_ = target; }
    // The result whose items WriteItem() writes.
    void SetSource(const TResult* source) { source_ = source; }

    const VDataFormatInfo& GetFormatInfo() const override { return format_; }

    // The source's items; none without a source.
    std::uint32_t GetItemCount() const override
    {
        return source_ != nullptr ? std::uint32_t((source_->*kItems).size()) : 0;
    }

    // Room is reserved only for counts below 1024: a larger count is no promise, and the reads
    // that follow are bounded by the block anyway.
    void Prepare(std::uint32_t count) override
    {
        if (target_ != nullptr && count < kReserveBelow)
            (target_->*kItems).reserve(count);
    }

    bool ReadItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat) override
    {
        if (target_ != nullptr)
            return ReadTargetItem(reader, fileFormat, *target_);
        for (const VFieldDescriptor& field : fileFormat.fields)
            if (!SkipItemField(reader, field))
                return false;
        return true;
    }

    // Empties the target's item list. Holders whose items refer to more lists extend this.
    void Reset() override
    {
        if (target_ != nullptr)
            (target_->*kItems).clear();
    }

protected:
    virtual bool ReadTargetItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat,
                                TResult& target) = 0;
    // Fields whose size does not say how many bytes they take override this.
    virtual bool SkipItemField(VBoundedReader& reader, const VFieldDescriptor& field) const
    {
        return RecordSchema::SkipField(reader, field);
    }

    // Reads `fileFormat`'s fields into `item`, each by readField(reader, field, item), and
    // appends the item to the target's list once all are read.
    template <class TReadField>
    static bool AppendItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat,
                           TResult& target, TItem item, const TReadField& readField)
    {
        for (const VFieldDescriptor& field : fileFormat.fields)
            if (!readField(reader, field, item))
                return false;
        (target.*kItems).push_back(item);
        return true;
    }

    // Writes the source's item `index` in this holder's format, each field by
    // writeField(writer, field, item).
    template <class TWriteField>
    void WriteItemFields(VByteWriter& writer, std::uint32_t index,
                         const TWriteField& writeField) const
    {
        const TItem& item = (source_->*kItems).at(index);
        for (const VFieldDescriptor& field : format_.fields)
            writeField(writer, field, item);
    }

    TResult* GetTarget() const { return target_; }
    const TResult* GetSource() const { return source_; }

private:
    static constexpr std::uint32_t kReserveBelow = 1024;

    VDataFormatInfo format_;
    TResult* target_ = nullptr;
    const TResult* source_ = nullptr;
};
} // namespace X2DIO
