#pragma once
// Small helpers shared by the parameter tests: a recording observer and a definition list
// with one parameter of each kind.

#include "params/ParamDefinitionList.h"
#include "params/ParamObjectTypes.h"

#include <string>
#include <vector>

namespace ParamTest
{
// Records every notification as text, in order.
class RecordingObserver : public IParamObserver
{
public:
    void OnObserving(const IParam&) override { events.push_back("observing"); }
    void OnStopObserving(const IParam&) override { events.push_back("stop"); }
    void OnValueChanged(const IParam& param) override
    {
        VStringStd text;
        events.push_back(param.GetValueAsString(text) ? "value " + text.Str() : "value empty");
    }
    void OnAttributesChanged(const IParam&, unsigned mask) override
    {
        events.push_back("attributes " + std::to_string(mask));
    }

    std::vector<std::string> events;
};

inline IParamDefinition* Define(VParamDefinitionList& list, const char* name,
                                const IParamObject& prototype)
{
    return list.AddDefinition(VStringStd(name), VStringStd(name), VStringStd("description"),
                              VStringStd("group"), prototype);
}

inline VStringStd Text(const char* text)
{
    return VStringStd(text);
}

// "Rate" (double, range 0..10000, default 1), "Mode" (int, choices Free 3 / Master 2,
// default 3), "Enabled" (bool), "Type" (text).
inline void DefineDeviceLike(VParamDefinitionList& list)
{
    IParamDefinition* rate = Define(list, "Rate", VParamObjectDouble(1.0));
    rate->SetRange(true);
    SetParamValue(*rate->AddChild(Text("Min")), 0.0, true);
    SetParamValue(*rate->AddChild(Text("Max")), 10000.0, true);
    IParamDefinition* mode = Define(list, "Mode", VParamObjectInt(3));
    SetParamValue(*mode->AddChild(Text("Free")), 3, true);
    SetParamValue(*mode->AddChild(Text("Master")), 2, true);
    Define(list, "Enabled", VParamObjectBool(false));
    Define(list, "Type", VParamObjectText(VStringStd("")));
}
} // namespace ParamTest
