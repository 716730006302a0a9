#include "FileIO/AnalogueBlockSet.h"

IAnalogueBlockSet::~IAnalogueBlockSet() = default;

VAnalogueBlockSet::VAnalogueBlockSet(const VAnalogueBlockSet& other)
{
    *this = other;
}

VAnalogueBlockSet& VAnalogueBlockSet::operator=(const VAnalogueBlockSet& other)
{
    if (this != &other)
        Assign(other.views_.data(), other.GetCount(), other.name_);
    return *this;
}

void VAnalogueBlockSet::Assign(const VAnalogueBlockView* views, std::uint32_t count,
                               const IString& name)
{
    // Copy first: the source may be this very set.
    VAnalogueBlockSet copy;
    for (std::uint32_t i = 0; i < count; ++i)
        copy.Append(views[i]);
    copy.name_.Assign(name.CStr());
    *this = std::move(copy);
}

void VAnalogueBlockSet::Append(const VAnalogueBlockView& block)
{
    std::vector<std::uint8_t> store;
    if (block.data != nullptr)
        store.assign(block.data, block.data + block.size);
    views_.push_back(MakeAnalogueBlockView(store));
    stores_.push_back(std::move(store));
}

void VAnalogueBlockSet::Clear()
{
    views_.clear();
    stores_.clear();
}

std::uint32_t VAnalogueBlockSet::GetCount() const
{
    return std::uint32_t(views_.size());
}

VAnalogueBlockView VAnalogueBlockSet::GetBlock(std::uint32_t index) const
{
    if (index >= views_.size())
        return {};
    return views_[index];
}

void VAnalogueBlockSet::GetName(IString& name) const
{
    name.Assign(name_.CStr());
}

void VAnalogueBlockSet::SetName(const IString& name)
{
    name_.Assign(name.CStr());
}

const VAnalogueBlockView* VAnalogueBlockSet::GetViews(std::uint32_t& count) const
{
    count = GetCount();
    return views_.empty() ? nullptr : views_.data();
}
