#include "devices/FakeDeviceParameters.h"

#include "params/ParamObjectTypes.h"

namespace FakeDeviceParameters
{
IParamDefinition& Add(IParamDefinitionList& definitions, const Definition& definition,
                      const IParamObject& prototype)
{
    IParamDefinition* added = definitions.AddDefinition(
        VStringStd(definition.name), VStringStd(definition.displayName),
        VStringStd(definition.description), VStringStd(definition.group), prototype);
    added->SetReadOnly((definition.flags & kReadOnly) != 0);
    added->SetFlagC((definition.flags & kFlagC) != 0);
    added->SetFlagB((definition.flags & kFlagB) != 0);
    return *added;
}

void AddChild(IParamDefinition& definition, const char* name, const IParamObject& value)
{
    definition.AddChild(VStringStd(name))->SetValue(value, true);
}

namespace
{
void DefineSystemFrameRate(IParamDefinitionList& definitions)
{
    IParamDefinition& rate = Add(
        definitions,
        {"SystemFrameRate", "Frame Rate", "The frame rate of the system, in Hz.", "System", kNone},
        VParamObjectDouble(1.0));
    rate.SetRange(true);
    AddChild(rate, "Min", VParamObjectDouble(0.0));
    AddChild(rate, "Max", VParamObjectDouble(10000.0));
}

void DefineSyncMode(IParamDefinitionList& definitions)
{
    IParamDefinition& mode =
        Add(definitions, {"SyncMode", "Sync Mode", "Sync mode of this device.", "Device", kNone},
            VParamObjectInt(kFreeRunning));
    AddChild(mode, "Free-running", VParamObjectInt(kFreeRunning));
    AddChild(mode, "Master", VParamObjectInt(kMaster));
    AddChild(mode, "Slave", VParamObjectInt(kSlave));
    AddChild(mode, "Surrogate master", VParamObjectInt(kSurrogateMaster));
}
} // namespace

void Define(IParamDefinitionList& definitions)
{
    const unsigned fixed = kReadOnly | kFlagC;
    Add(definitions,
        {"Connected", "Connected", "Defines whether this device is connected to the network.",
         "Connection", kNone},
        VParamObjectBool(false));
    Add(definitions, {"LocalIP", "Local IP address", "Local IP address.", "Connection", fixed},
        VParamObjectText(VStringStd("")));
    Add(definitions, {"RemoteIP", "HAL IP address", "IP address of the HAL.", "Connection", fixed},
        VParamObjectText(VStringStd("")));
    Add(definitions, {"Port", "Base port", "Base port number of this device.", "Connection", fixed},
        VParamObjectInt(0));
    Add(definitions,
        {"SystemEnabled", "Enabled", "Defines whether the system is currently enabled.", "System",
         kReadOnly},
        VParamObjectBool(false));
    DefineSystemFrameRate(definitions);
    Add(definitions,
        {"FrameNumber", "FrameNumber", "The currently set starting frame number.", "System", fixed},
        VParamObjectInt(0));
    Add(definitions, {"DeviceType", "Type", "Device type.", "Device", kNone},
        VParamObjectText(VStringStd("")));
    Add(definitions,
        {"Enabled", "Enabled", "Defines whether this device is currently enabled.", "Device",
         kReadOnly},
        VParamObjectBool(false));
    Add(definitions, {"DeviceID", "Device ID", "Device ID of this device.", "Device", fixed},
        VParamObjectInt(0));
    DefineSyncMode(definitions);
    Add(definitions,
        {"Preview", "Preview", "Defines whether the system is in preview mode.", "System",
         kReadOnly},
        VParamObjectBool(false));
    Add(definitions,
        {"MinHalVersion", "Minimum HAL Version", "Minimum HAL version required.", "Device", kFlagC},
        VParamObjectInt(1));
    Add(definitions,
        {"FirmwareVersion", "Firmware Version", "Firmware version installed.", "Device", kFlagC},
        VParamObjectInt(82));
}
} // namespace FakeDeviceParameters
