#pragma once
// Writes a minidump of a process that the caller holds stopped: system information, the thread
// list with each thread's registers and stack, the module list (the ELF files the process has
// mapped), memory, the exception when the crash record is given, and UTF-16 comments in the
// order given: the first as the comment stream (type 11), comment n (n >= 1) as stream type
// 0x51450000 + n, each with its terminating zero. A normal dump holds the stacks and the memory
// around the fault and the faulting instruction; a detailed dump holds every readable mapping. The
// crashing thread is written with the registers of the fault, not those of the signal handler it
// waits in. Reentrant.

#include "diagnostics/CrashRecord.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace QeltErrorReporting
{
class ProcessAttachment;

struct DumpContents
{
    bool detailed = false;
    std::optional<Farrowkit::CrashRecord> crash;
    std::vector<std::string> comments;
};

// Writes the dump to `file` (open for writing, at its start); false when the file cannot be
// written or the process has no mappings left to read.
bool WriteMinidump(std::FILE* file, const ProcessAttachment& process, const DumpContents& contents);
} // namespace QeltErrorReporting
