#include "devices/FakeDeviceParameters.h"

#include "params/ParamObjectTypes.h"

namespace FakeDeviceParameters
{
namespace
{
enum Flags : unsigned
{
    kNone = 0,
    kReadOnly = 1,
    kFlagC = 2,
};

struct BaseDefinition
{
    const char* name;
    const char* displayName;
    const char* description;
    const char* group;
    unsigned flags;
};

IParamDefinition& Add(IParamDefinitionList& definitions, const BaseDefinition& base,
                      const IParamObject& prototype)
{
    IParamDefinition* definition =
        definitions.AddDefinition(VStringStd(base.name), VStringStd(base.displayName),
                                  VStringStd(base.description), VStringStd(base.group), prototype);
    definition->SetReadOnly((base.flags & kReadOnly) != 0);
    definition->SetFlagC((base.flags & kFlagC) != 0);
    return *definition;
}

void AddChild(IParamDefinition& definition, const char* name, const IParamObject& value)
{
    definition.AddChild(VStringStd(name))->SetValue(value, true);
}

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
