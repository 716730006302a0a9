#pragma once
// The meaning of a parameter's value beyond its type, able to create a companion value
// per parameter. Every definition of this system uses the null form, which creates none.
// Thread-bound like the definitions that own it.

#include "params/Destroyable.h"

class ISemanticType
{
public:
    // A new companion value for one parameter, owned by the caller; none for the null form.
    virtual IDestroyable* CreateSemanticValue() const = 0;
    virtual ~ISemanticType() = default;
};

class ISemanticTypeNull : public ISemanticType
{
public:
    IDestroyable* CreateSemanticValue() const override { return nullptr; }
};
