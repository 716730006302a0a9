#pragma once
// Binds one parameter to one member function of a device: every value change calls
// `device.*Method(value)` with the new typed value, or with a zero value (false, 0,
// empty) when the parameter is empty or holds another type. Removes itself from the
// parameter when destroyed. Thread-bound to the thread that changes the parameter.

#include "params/Param.h"

template <class Device, class T, void (Device::*Method)(T)>
class VFakeLumeParamObserver : public IParamObserver
{
public:
    VFakeLumeParamObserver(IParam& param, Device& device, bool notifyNow = false)
        : param_(param), device_(device)
    {
        param_.AddObserver(this, notifyNow);
    }
    ~VFakeLumeParamObserver() override { param_.RemoveObserver(this); }
    VFakeLumeParamObserver(const VFakeLumeParamObserver&) = delete;
    VFakeLumeParamObserver& operator=(const VFakeLumeParamObserver&) = delete;

    void OnValueChanged(const IParam& param) override
    {
        T value{};
        const IParamObject* object = param.HasValue() ? param.GetValueConst() : nullptr;
        if (const auto* typed = dynamic_cast<const ITypedParamObject<T>*>(object))
            typed->Get(value);
        (device_.*Method)(value);
    }

private:
    IParam& param_;
    Device& device_;
};
