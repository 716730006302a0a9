#pragma once
// "halprobe play": the HAL in one command. Finds the devices, readies their sessions to
// stream to one data port, makes one of them sync master and shows what each delivers.
// Thread-bound to the main thread, which must call it before starting any other thread.

#include "tools/halprobe/ArgumentList.h"

namespace HalProbe
{
extern const char* const kPlayUsage;

// Exit code 0 when every device found streamed frames; 1 when none was found, a session
// failed or a device sent nothing.
int RunPlay(ArgumentList& arguments);
} // namespace HalProbe
