#pragma once
// One opaque block of analogue bytes, as a recording device produced it for one sub-frame.
// The block owns its bytes; its view points into them (or nowhere when empty).
//
// Thread rules: reentrant (one instance is used from one thread at a time; no locks).

#include <cstdint>
#include <vector>

// A borrowed run of block bytes: `data` is null exactly when `size` is 0.
struct VAnalogueBlockView
{
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
};

class IAnalogueBlock
{
public:
    virtual ~IAnalogueBlock();
    // Copies the viewed bytes; the view may point anywhere, even into this block.
    virtual void Assign(const VAnalogueBlockView& view) = 0;
    virtual void Resize(std::uint32_t size) = 0;
    virtual VAnalogueBlockView GetView() const = 0;
};

class VAnalogueBlock : public IAnalogueBlock
{
public:
    void Assign(const VAnalogueBlockView& view) override;
    void Resize(std::uint32_t size) override;
    VAnalogueBlockView GetView() const override;

    // Lets a reader fill the block in place after Resize().
    std::uint8_t* GetMutableData() { return bytes_.data(); }

private:
    std::vector<std::uint8_t> bytes_;
};

// The view of `bytes`, empty (no pointer) when there are none.
VAnalogueBlockView MakeAnalogueBlockView(const std::vector<std::uint8_t>& bytes);
