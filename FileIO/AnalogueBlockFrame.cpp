#include "FileIO/AnalogueBlockFrame.h"

IAnalogueBlockFrame::~IAnalogueBlockFrame() = default;

std::uint32_t VAnalogueBlockFrame::GetCount() const
{
    return std::uint32_t(sets_.size());
}

void VAnalogueBlockFrame::Resize(std::uint32_t count)
{
    sets_.resize(count);
}

IAnalogueBlockSet& VAnalogueBlockFrame::GetSet(std::uint32_t index)
{
    return sets_.at(index);
}

const IAnalogueBlockSet& VAnalogueBlockFrame::GetSet(std::uint32_t index) const
{
    return sets_.at(index);
}

IAnalogueBlockSetDirect& VAnalogueBlockFrame::GetSetDirect(std::uint32_t index)
{
    return sets_.at(index);
}

void VAnalogueBlockFrame::CopyTo(IAnalogueBlockFrame& target) const
{
    target.Resize(GetCount());
    for (std::uint32_t i = 0; i < GetCount(); ++i)
    {
        std::uint32_t count = 0;
        const VAnalogueBlockView* views = sets_[i].GetViews(count);
        target.GetSet(i).Assign(views, count, sets_[i].GetNameText());
    }
}
