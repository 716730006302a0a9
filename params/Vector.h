#pragma once
// A growable list behind an interface, so lists of values cross module boundaries
// without exposing std::vector; VVector is the std::vector implementation.
//
// Thread rules: reentrant (one instance is used from one thread at a time; no locks).

#include <cstddef>
#include <vector>

template <class T> class IVector
{
public:
    virtual ~IVector() = default;
    virtual void Clear() = 0;
    virtual void PushBack(const T& item) = 0;
    virtual std::size_t Size() const = 0;
    // Throws std::out_of_range when `index` >= Size().
    virtual const T& At(std::size_t index) const = 0;
};

template <class T> class VVector : public IVector<T>
{
public:
    void Clear() override { items_.clear(); }
    void PushBack(const T& item) override { items_.push_back(item); }
    std::size_t Size() const override { return items_.size(); }
    const T& At(std::size_t index) const override { return items_.at(index); }

    const std::vector<T>& Items() const { return items_; }

private:
    std::vector<T> items_;
};
