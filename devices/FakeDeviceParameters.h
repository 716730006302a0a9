#pragma once
// The parameters every emulated device has, first in every device type's definition
// list; device types append their own after them. Thread-bound to the thread that builds
// the definition lists (the main thread, at start-up).

#include "params/ParamDefinitionList.h"

namespace FakeDeviceParameters
{
// Sync modes, the values of "SyncMode".
enum SyncMode : int
{
    kSlave = 0,
    kSurrogateMaster = 1,
    kMaster = 2,
    kFreeRunning = 3,
};

// Appends the fourteen base definitions; the list must still accept definitions.
void Define(IParamDefinitionList& definitions);

// What device classes use to append their own definitions.
enum Flags : unsigned
{
    kNone = 0,
    kReadOnly = 1,
    kFlagC = 2,
    kFlagB = 4,
};

struct Definition
{
    const char* name;
    const char* displayName;
    const char* description;
    const char* group;
    unsigned flags;
};

// Appends one definition with `prototype` as its type and default.
IParamDefinition& Add(IParamDefinitionList& definitions, const Definition& definition,
                      const IParamObject& prototype);
// Adds a child (a range bound or a named choice) holding `value`.
void AddChild(IParamDefinition& definition, const char* name, const IParamObject& value);
} // namespace FakeDeviceParameters
