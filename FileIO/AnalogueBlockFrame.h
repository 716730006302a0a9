#pragma once
// The analogue data of one recorded frame: one block set per recorded device, in device order.
// Copies are deep, so a frame never shares bytes with another object.
//
// Thread rules: reentrant (one instance is used from one thread at a time; no locks).

#include "FileIO/AnalogueBlockSet.h"

#include <cstdint>
#include <vector>

class IAnalogueBlockFrame
{
public:
    virtual ~IAnalogueBlockFrame();
    virtual std::uint32_t GetCount() const = 0;
    // New sets are empty; surplus sets are dropped.
    virtual void Resize(std::uint32_t count) = 0;
    // `index` must be below GetCount().
    virtual IAnalogueBlockSet& GetSet(std::uint32_t index) = 0;
    virtual const IAnalogueBlockSet& GetSet(std::uint32_t index) const = 0;
    // Resizes `target` to this frame's count and assigns every set to it.
    virtual void CopyTo(IAnalogueBlockFrame& target) const = 0;
};

// Exposes its sets as block sets with direct view access, so a reader can fill them in place.
class IAnalogueBlockFrameDirect : public IAnalogueBlockFrame
{
public:
    virtual IAnalogueBlockSetDirect& GetSetDirect(std::uint32_t index) = 0;
};

class VAnalogueBlockFrame : public IAnalogueBlockFrameDirect
{
public:
    std::uint32_t GetCount() const override;
    void Resize(std::uint32_t count) override;
    IAnalogueBlockSet& GetSet(std::uint32_t index) override;
    const IAnalogueBlockSet& GetSet(std::uint32_t index) const override;
    void CopyTo(IAnalogueBlockFrame& target) const override;
    IAnalogueBlockSetDirect& GetSetDirect(std::uint32_t index) override;

private:
    std::vector<VAnalogueBlockSet> sets_;
};
