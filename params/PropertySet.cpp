#include "params/PropertySet.h"

#include <iterator>
#include <utility>

unsigned VPropertySet::GetCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<unsigned>(values_.size());
}

bool VPropertySet::GetNameAt(unsigned index, IString& out) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (index >= values_.size())
    {
        return false;
    }
    std::next(values_.begin(), index)->first.CopyTo(out);
    return true;
}

bool VPropertySet::GetValue(const IString& name, IString& out) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = values_.find(VStringStd(name));
    if (found == values_.end())
    {
        return false;
    }
    found->second.CopyTo(out);
    return true;
}

void VPropertySet::SetValue(const IString& name, const IString& value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    values_[VStringStd(name)] = VStringStd(value);
    ++revision_;
}

void VPropertySet::SetAll(const IPropertySet& source)
{
    Values copied = ReadAll(source);
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [name, value] : copied)
    {
        values_[name] = std::move(value);
    }
    revision_ += copied.size() + 1;
}

std::uint64_t VPropertySet::GetRevision() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return revision_;
}

void VPropertySet::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    values_.clear();
    ++revision_;
}

// Entries that vanish from `source` while it is read are skipped.
VPropertySet::Values VPropertySet::ReadAll(const IPropertySet& source)
{
    Values copied;
    const unsigned count = source.GetCount();
    for (unsigned index = 0; index < count; ++index)
    {
        VStringStd name;
        VStringStd value;
        if (source.GetNameAt(index, name) && source.GetValue(name, value))
        {
            copied[name] = value;
        }
    }
    return copied;
}
