#pragma once
// halprobe's serve-cg command: the host application's CG stream on loopback, answering
// every frame request with the next frame number, for checking a CG client without the
// host application. Thread-bound to the main thread.

#include "tools/halprobe/ArgumentList.h"

namespace HalProbe
{
extern const char* const kServeCgUsage;

// Exit code 0 when the run ended; throws UsageError or ProbeError.
int RunServeCg(ArgumentList& arguments);
} // namespace HalProbe
