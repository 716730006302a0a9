#pragma once
// The value classes behind IParamObject, built in layers: VParamObject holds the value
// and its text form, VParamObjectComparable adds ordering, VParamObjectAs adds a typed
// face and Clone(). Each layer is a class of its own, so Assign, IsEqual and IsLessThan
// tell value types apart at run time. Thread rules: reentrant (no locks).
//
// Every layer takes the initial value in an explicit constructor, for example
// `VParamObjectDouble(1.0)` or `VParamObjectText("name")`; the default is false, 0,
// 0.0 or the empty text.

#include "params/ParamObject.h"
#include "params/String.h"
#include "params/Stringifiers.h"

#include <type_traits>

template <class T, class Stringifier> class VParamObject : public IParamObject
{
public:
    VParamObject() = default;
    explicit VParamObject(const T& value) : value_(value) {}

    void Destroy() override { delete this; }

    // Any object whose value layer is exactly this class qualifies.
    bool Assign(const IParamObject& other) override
    {
        const auto* same = dynamic_cast<const VParamObject*>(&other);
        if (same == nullptr)
        {
            return false;
        }
        value_ = same->value_;
        return true;
    }

    void ToString(IString& out) const override { Stringifier::ToString(value_, out); }
    bool FromString(const IString& text) override { return Stringifier::FromString(text, value_); }

    bool IsLessThan(const IParamObject&) const override { return false; }

    bool IsEqual(const IParamObject& other) const override
    {
        const auto* same = dynamic_cast<const VParamObject*>(&other);
        return same != nullptr && value_ == same->value_;
    }

protected:
    // Lets every VParamObjectAs layer keep the typed faces below it in view with `using`.
    void Get() const = delete;
    void Set() = delete;

    T value_{};
};

template <class T, class Stringifier>
class VParamObjectComparable : public VParamObject<T, Stringifier>
{
public:
    using VParamObject<T, Stringifier>::VParamObject;

    // Only values that are themselves comparable are ordered against this one.
    bool IsLessThan(const IParamObject& other) const override
    {
        const auto* same = dynamic_cast<const VParamObjectComparable*>(&other);
        return same != nullptr && this->value_ < same->value_;
    }
};

// Base is a value layer, or another VParamObjectAs to offer several typed faces; Get and
// Set of all faces stay callable on the outermost class. A class derived from this one
// must override Clone() again, or its clones lose the derived part.
template <class Base, class U> class VParamObjectAs : public Base, public ITypedParamObject<U>
{
public:
    using Base::Base;
    using Base::Get;
    using Base::Set;

    VParamObjectAs* Clone() const override { return new VParamObjectAs(*this); }

    void Get(U& out) const override
    {
        if constexpr (std::is_same_v<U, IString>)
        {
            out.Assign(this->value_.CStr());
        }
        else
        {
            out = this->value_;
        }
    }

    void Set(const U& value) override
    {
        if constexpr (std::is_same_v<U, IString>)
        {
            this->value_.Assign(value.CStr());
        }
        else
        {
            this->value_ = value;
        }
    }
};

using VParamObjectBool =
    VParamObjectAs<VParamObjectComparable<bool, VParamStreamStringifier>, bool>;
using VParamObjectInt = VParamObjectAs<VParamObjectComparable<int, VParamStreamStringifier>, int>;
using VParamObjectUnsigned =
    VParamObjectAs<VParamObjectComparable<unsigned int, VParamStreamStringifier>, unsigned int>;
using VParamObjectDouble =
    VParamObjectAs<VParamObjectComparable<double, VParamStreamStringifier>, double>;
using VParamObjectText = VParamObjectAs<
    VParamObjectAs<VParamObjectComparable<VStringStd, VParamStringStringifier>, IString>,
    VStringStd>;
