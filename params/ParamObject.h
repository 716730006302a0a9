#pragma once
// The value a parameter holds, seen without its type: it can be copied, compared and
// converted to and from the exact text the HAL reads and writes. ITypedParamObject<T>
// is the typed face of the same value. Thread rules: reentrant (no locks).

#include "params/Destroyable.h"
#include "params/String.h"

// Destroy() stays pure: the concrete value class frees itself.
class IParamObject : public IDestroyable
{
public:
    ~IParamObject() override = default;
    // A new object of the same dynamic type and value; the caller owns it.
    virtual IParamObject* Clone() const = 0;
    // Copies the value of `other` only if it holds the same concrete value type.
    virtual bool Assign(const IParamObject& other) = 0;
    virtual void ToString(IString& out) const = 0;
    // On failure the value may already be overwritten; callers restore it.
    virtual bool FromString(const IString& text) = 0;
    // False whenever the values are of different types or are not ordered.
    virtual bool IsLessThan(const IParamObject& other) const = 0;
    virtual bool IsEqual(const IParamObject& other) const = 0;
};

template <class T> class ITypedParamObject
{
public:
    virtual void Get(T& out) const = 0;
    virtual void Set(const T& value) = 0;
    virtual ~ITypedParamObject() = default;
};
