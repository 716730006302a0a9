#pragma once
// What a parameter tells the objects that watch it, and the one object that may veto its
// changes. Observers and handlers are called synchronously on the thread that changes the
// parameter (thread-bound to it).

class IParam;

class IParamObserver
{
public:
    virtual void OnObserving(const IParam& /*param*/) {}
    virtual void OnStopObserving(const IParam& /*param*/) {}
    virtual void OnValueChanged(const IParam& /*param*/) {}
    // `mask` says which attributes may have changed (ParamAttributeBits).
    virtual void OnAttributesChanged(const IParam& /*param*/, unsigned /*mask*/) {}
    virtual ~IParamObserver() = default;
};

class IParamHandler
{
public:
    virtual bool AllowValueChange(const IParam& param) = 0;
    virtual bool AllowAttributesChange(const IParam& param, unsigned mask) = 0;
    virtual ~IParamHandler() = default;
};

// Bits of an attribute-change mask.
namespace ParamAttributeBits
{
constexpr unsigned kReadOnly = 0x01;
constexpr unsigned kFlagB = 0x02;
constexpr unsigned kFlagC = 0x04;
constexpr unsigned kChoices = 0x08;
constexpr unsigned kFlagE = 0x10;
constexpr unsigned kListEditable = 0x20;
// Everything may have changed.
constexpr unsigned kAll = 0x3F;
} // namespace ParamAttributeBits
