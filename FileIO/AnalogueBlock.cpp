#include "FileIO/AnalogueBlock.h"

IAnalogueBlock::~IAnalogueBlock() = default;

VAnalogueBlockView MakeAnalogueBlockView(const std::vector<std::uint8_t>& bytes)
{
    if (bytes.empty())
        return {};
    return {bytes.data(), std::uint32_t(bytes.size())};
}

void VAnalogueBlock::Assign(const VAnalogueBlockView& view)
{
    if (view.data == nullptr)
    {
        bytes_.clear();
        return;
    }
    std::vector<std::uint8_t> copy(view.data, view.data + view.size);
    bytes_.swap(copy);
}

void VAnalogueBlock::Resize(std::uint32_t size)
{
    bytes_.resize(size);
}

VAnalogueBlockView VAnalogueBlock::GetView() const
{
    return MakeAnalogueBlockView(bytes_);
}
