#include "devices/netbox/NetBoxParameters.h"

#include "devices/FakeDeviceParameters.h"
#include "devices/netbox/FakeDeviceGPO.h"
#include "params/ParamObjectTypes.h"

namespace NetBoxParameters
{
namespace
{
using FakeDeviceParameters::Add;
using FakeDeviceParameters::AddChild;
using FakeDeviceParameters::kFlagC;
using FakeDeviceParameters::kNone;
using FakeDeviceParameters::kReadOnly;

VParamObjectText Text(const char* text)
{
    return VParamObjectText(VStringStd(text));
}

void Add(IParamDefinitionList& definitions, const std::string& name, const std::string& display,
         const char* description, const std::string& group, unsigned flags,
         const IParamObject& value)
{
    FakeDeviceParameters::Add(
        definitions, {name.c_str(), display.c_str(), description, group.c_str(), flags}, value);
}

void DefineClockOut(IParamDefinitionList& definitions)
{
    const char* group = "Analogue Clock Out";
    Add(definitions, "ClkOutSampleRate", "Sample Rate", "Analogue sample rate (Hz).", group,
        kReadOnly | kFlagC, VParamObjectDouble(180000.0));
    Add(definitions, "ClkOutPrescaler", "Sample Rate", "Analogue prescaler.", group, kFlagC,
        VParamObjectInt(5));
    Add(definitions, "ClkOutDivisor", "Divisor", "Analogue divisor.", group, kFlagC,
        VParamObjectInt(150));
}

void DefineCard(IParamDefinitionList& definitions)
{
    IParamDefinition& card = FakeDeviceParameters::Add(
        definitions,
        {"Card0Type", "Control Card 0 Type", "The type of this control card.", "Control", kNone},
        Text("Not populated"));
    for (const char* type : {"Not populated", "Analogue", "Audio", "Ethernet"})
        AddChild(card, type, Text(type));
}

void DefineSlot(IParamDefinitionList& definitions)
{
    const std::string group = "Slot 0";
    Add(definitions, SlotName(0, "InCapture"), "In Capture", "Analogue capture enabled.", group,
        kNone, VParamObjectBool(false));
    Add(definitions, SlotName(0, "CaptureActive"), "Capture Active", "Analogue capture active.",
        group, kNone, VParamObjectBool(false));
    Add(definitions, SlotName(0, "SampleRate"), "Sample Rate", "Analogue sample rate (Hz).", group,
        kReadOnly, VParamObjectDouble(180000.0));
    Add(definitions, SlotName(0, "Prescaler"), "Sample Rate", "Analogue prescaler.", group, kNone,
        VParamObjectInt(5));
    Add(definitions, SlotName(0, "Divisor"), "Divisor", "Analogue divisor.", group, kNone,
        VParamObjectInt(150));
    Add(definitions, SlotName(0, "NumChannels"), "Number of channels", "Number of channels.", group,
        kReadOnly, VParamObjectInt(64));
    for (int channel = 0; channel < kChannels; ++channel)
    {
        const std::string display = "Channel " + std::to_string(channel) + " ";
        Add(definitions, ChannelName(0, channel, "Enabled"), display + "Enabled",
            "Channel capture on/off.", group, kFlagC, VParamObjectBool(false));
        Add(definitions, ChannelName(0, channel, "Gain"), display + "Gain", "Channel gain.", group,
            kFlagC, VParamObjectInt(1));
    }
}
} // namespace

std::string SlotName(int slot, const char* name)
{
    return "AnalogueSlot" + std::to_string(slot) + name;
}

std::string ChannelName(int slot, int channel, const char* name)
{
    return "AnalogueSlot" + std::to_string(slot) + "Channel" + std::to_string(channel) + name;
}

std::string CardTypeName(int slot)
{
    return "Card" + std::to_string(slot) + "Type";
}

void Define(IParamDefinitionList& definitions)
{
    FakeDeviceParameters::Define(definitions);
    VFakeDeviceGPO::DefineParameters(definitions, kOutputs);
    IParamDefinition* type = definitions.FindDefinition(VStringStd("DeviceType"));
    AddChild(*type, "Gridlark", Text("Gridlark"));
    type->GetPrototype().SetValue(Text("Gridlark"), false);
    DefineClockOut(definitions);
    DefineCard(definitions);
    DefineSlot(definitions);
}

void DefineTimecodeBox(IParamDefinitionList& definitions)
{
    Define(definitions);
    Add(definitions, "Timecode", "Timecode",
        "Defines whether this control sends timecode (if present).", "Timecode", kNone,
        VParamObjectBool(true));
    Add(definitions, "StartTime", "Start Time", "The start timecode value.", "Timecode", kReadOnly,
        Text(""));
    Add(definitions, "PanasonicAFrame", "Panasonic A-frame user bits",
        "Set A-frame user bits in the timecode according to Panasonic style", "Timecode", kNone,
        VParamObjectBool(true));
}

void DefineSynthBox(IParamDefinitionList& definitions)
{
    Define(definitions);
    Add(definitions, SlotName(0, "TestSignalFreq"), "Signal Frequency",
        "Analogue test signal frequency, in Hz.", "Slot 0", kNone, VParamObjectDouble(1.0));
}
} // namespace NetBoxParameters
