#pragma once
// The data holder of analogue block items (format 0xDFAA): each item carries one opaque block.
// Reading appends every block to the target set; writing takes the blocks of the source set.
//
// Thread rules: thread-bound to the reader or writer it is registered with.

#include "FileIO/AnalogueBlock.h"
#include "FileIO/FramePlugins.h"

class IAnalogueBlockSet;

class VAnalogueBlockDataHolder : public IDataHolder
{
public:
    static constexpr std::int16_t kFormatIdentifier = std::int16_t(0xDFAA);
    static constexpr std::int16_t kBlockKey = std::int16_t(0xAA00);

    // {0xDFAA, {0xAA00, variable}}.
    static VDataFormatInfo DefaultFormat();

    explicit VAnalogueBlockDataHolder(VDataFormatInfo format = DefaultFormat());

    // Not owned; null stops reading into a set (blocks are still read).
    void SetTarget(IAnalogueBlockSet* target) { target_ = target; }
    // Not owned; the blocks that WriteItem() writes.
    void SetSource(const IAnalogueBlockSet* source) { source_ = source; }

    const VDataFormatInfo& GetFormatInfo() const override { return format_; }
    std::uint32_t GetItemCount() const override;
    // Blocks vary in size, so there is nothing worth reserving.
    void Prepare(std::uint32_t) override {}
    bool ReadItem(VBoundedReader& reader, const VDataFormatInfo& fileFormat) override;
    void WriteItem(VByteWriter& writer, std::uint32_t index) const override;
    void Reset() override;

private:
    // Reads one block field into `block`. A block that is the item's last field may be viewed
    // where it lies in the mapped file (`inPlace`): nothing else is read before it is appended.
    // Otherwise it is copied into block_.
    bool ReadBlock(VBoundedReader& reader, bool inPlace, VAnalogueBlockView& block);

    VDataFormatInfo format_;
    VAnalogueBlock block_;
    IAnalogueBlockSet* target_ = nullptr;
    const IAnalogueBlockSet* source_ = nullptr;
};
