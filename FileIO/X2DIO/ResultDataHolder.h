#pragma once
// The common part of the X2D data holders that fill a caller's result object: the format the
// holder writes, the result it reads into and the result it writes from (both not owned), and
// the rule that a holder without a result object skips each item field by field.
//
// Thread rules: thread-bound to the reader or writer it is registered with.

#include "FileIO/BoundedReader.h"
#include "FileIO/FramePlugins.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace X2DIO
{
template <class TResult> class VResultDataHolder : public IDataHolder
{
public:
    explicit VResultDataHolder(VDataFormatInfo format) : format_(std::move(format)) {}

    // Null (the default) skips the items.
    void SetTarget(TResult* target) { target_ = target; }
    // The result whose items WriteItem() writes.
    void SetSource(const TResult* source) { source_ = source; }

    const VDataFormatInfo& GetFormatInfo() const override { return format_; }

    bool ReadItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat) override
    {
        if (target_ != nullptr)
            return ReadTargetItem(reader, fileFormat, *target_);
        for (const VFieldDescriptor& field : fileFormat.fields)
            if (!SkipItemField(reader, field))
                return false;
        return true;
    }

protected:
    virtual bool ReadTargetItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat,
                                TResult& target) = 0;
    // Fields whose size does not say how many bytes they take override this.
    virtual bool SkipItemField(VBoundedReader& reader, const VFieldDescriptor& field) const
    {
        return RecordSchema::SkipField(reader, field);
    }

    // Room is reserved only for counts below 1024: a larger count is no promise, and the reads
    // that follow are bounded by the block anyway.
    template <class TItem> static void Reserve(std::vector<TItem>& items, std::uint32_t count)
    {
        if (count < kReserveBelow)
            items.reserve(count);
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
