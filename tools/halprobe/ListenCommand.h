#pragma once
// halprobe's listen command: the records and camera streams a device sends to a HAL data
// port, printed as they arrive and counted per camera and stream. Thread-bound to the
// main thread.

#include "tools/halprobe/ArgumentList.h"

namespace HalProbe
{
extern const char* const kListenUsage;

// Exit code 0 when the run ended; throws UsageError or ProbeError.
int RunListen(ArgumentList& arguments);
} // namespace HalProbe
