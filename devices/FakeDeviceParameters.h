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
} // namespace FakeDeviceParameters
