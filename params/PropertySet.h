#pragma once
// Named text properties of a device, kept in name order, with a revision that counts
// changes so readers can tell cheaply whether anything changed since they last looked.
//
// Thread rules: VPropertySet is thread-safe; `mutex_` guards `values_` and `revision_`
// for the whole of each operation.

#include "params/String.h"

#include <cstdint>
#include <map>
#include <mutex>

class IPropertySet
{
public:
    virtual unsigned GetCount() const = 0;
    // The name at `index` in name order; false unless `index` < GetCount().
    virtual bool GetNameAt(unsigned index, IString& out) const = 0;
    // False when there is no property called `name`.
    virtual bool GetValue(const IString& name, IString& out) const = 0;
    // Inserts or replaces, and counts one change.
    virtual void SetValue(const IString& name, const IString& value) = 0;
    // Sets every property of `source` here, counting one change for each value set and one
    // more for the whole call, so that even an empty source counts.
    virtual void SetAll(const IPropertySet& source) = 0;
    virtual std::uint64_t GetRevision() const = 0;
    virtual ~IPropertySet() = default;
};

class VPropertySet : public IPropertySet
{
public:
    unsigned GetCount() const override;
    bool GetNameAt(unsigned index, IString& out) const override;
    bool GetValue(const IString& name, IString& out) const override;
    void SetValue(const IString& name, const IString& value) override;
    // `source` is read entry by entry before this set is locked, so it may be this set or
    // one that locks it; a source changed meanwhile may be copied part before, part after.
    void SetAll(const IPropertySet& source) override;
    std::uint64_t GetRevision() const override;

    // Removes every property, counting one change.
    void Clear();

private:
    using Values = std::map<VStringStd, VStringStd>;

    static Values ReadAll(const IPropertySet& source);

    mutable std::mutex mutex_;
    Values values_;
    std::uint64_t revision_ = 0;
};
