#pragma once
// A thread's registers: read from a stopped thread with ptrace, and written as the 1232-byte
// x86-64 CONTEXT record of the minidump format. Reentrant.

#include "diagnostics/CrashRecord.h"
#include "errorreporter/ByteWriter.h"

#include <sys/types.h>

namespace QeltErrorReporting
{
constexpr std::size_t kContextSize = 1232;

// The general and floating-point registers of `thread`, which the caller holds stopped; false
// (and zeros) when they cannot be read.
bool ReadThreadRegisters(pid_t thread, Farrowkit::CrashRegisters& registers);

// Appends the CONTEXT record of `registers` (control, integer, segment and floating-point parts).
void AppendContext(ByteWriter& writer, const Farrowkit::CrashRegisters& registers);
} // namespace QeltErrorReporting
