#pragma once
// An ordered list of analogue blocks of one recorded device, with the device's name. Every
// block is a deep copy held in a store of its own; the views point into those stores, so a
// set never shares bytes with another object.
//
// Thread rules: reentrant (one instance is used from one thread at a time; no locks).

#include "FileIO/AnalogueBlock.h"
#include "params/String.h"

#include <cstdint>
#include <vector>

class IAnalogueBlockSet
{
public:
    virtual ~IAnalogueBlockSet();
    // Replaces blocks and name by copies of `count` blocks from `views` and of `name`.
    virtual void Assign(const VAnalogueBlockView* views, std::uint32_t count,
                        const IString& name) = 0;
    // Appends a copy of `block`; an empty block still adds an entry.
    virtual void Append(const VAnalogueBlockView& block) = 0;
    // Removes every block and keeps the name.
    virtual void Clear() = 0;
    virtual std::uint32_t GetCount() const = 0;
    // An empty view when `index` is out of range.
    virtual VAnalogueBlockView GetBlock(std::uint32_t index) const = 0;
    virtual void GetName(IString& name) const = 0;
    virtual void SetName(const IString& name) = 0;
};

// Exposes the list of views itself, so callers can read all blocks without copying.
class IAnalogueBlockSetDirect : public IAnalogueBlockSet
{
public:
    // The first view (null when there are none) and the number of views.
    virtual const VAnalogueBlockView* GetViews(std::uint32_t& count) const = 0;
};

class VAnalogueBlockSet : public IAnalogueBlockSetDirect
{
public:
    VAnalogueBlockSet() = default;
    VAnalogueBlockSet(const VAnalogueBlockSet& other);
    VAnalogueBlockSet& operator=(const VAnalogueBlockSet& other);
    // Moving keeps each store's buffer, so the moved views stay valid.
    VAnalogueBlockSet(VAnalogueBlockSet&&) noexcept = default;
    VAnalogueBlockSet& operator=(VAnalogueBlockSet&&) noexcept = default;

    void Assign(const VAnalogueBlockView* views, std::uint32_t count, const IString& name) override;
    void Append(const VAnalogueBlockView& block) override;
    void Clear() override;
    std::uint32_t GetCount() const override;
    VAnalogueBlockView GetBlock(std::uint32_t index) const override;
    void GetName(IString& name) const override;
    void SetName(const IString& name) override;
    const VAnalogueBlockView* GetViews(std::uint32_t& count) const override;

    const VStringStd& GetNameText() const { return name_; }

private:
    std::vector<VAnalogueBlockView> views_;
    std::vector<std::vector<std::uint8_t>> stores_;
    VStringStd name_;
};
