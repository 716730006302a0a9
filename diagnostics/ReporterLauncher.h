#pragma once
// Starts the error reporter (QeltErrorReporting, found beside the running executable) for this
// process from inside a fatal-signal handler, and waits for it. Everything the launch needs (the
// reporter's path, the argument strings, the argument vector) is prepared when the launcher is
// made, so Launch() uses only async-signal-safe system calls: no allocation, no locks, no stdio.
//
// The reporter's command line: process ID, address of the crash record, crashing thread ID,
// branding 0 and, when no display is available, "--batch".
//
// Thread rules: made and destroyed on one thread; Launch() runs on whichever thread faulted, and
// only once per process (the crash handler sees to that).

#include <climits>
#include <cstddef>
#include <memory>

namespace Farrowkit
{
struct CrashRecord;

class ReporterLauncher
{
public:
    // A launcher for `record`, or nothing when no reporter lies beside the executable.
    static std::unique_ptr<ReporterLauncher> Prepare(const CrashRecord& record);

    // Lets the reporter trace this process, starts it and waits for it to end. True when it
    // ran and exited with 0 (a dump was written).
    bool Launch(int threadID);

private:
    ReporterLauncher() = default;
    void FillArguments(const CrashRecord& record, bool batch);

    char path_[PATH_MAX] = {};
    char processID_[24] = {};
    char recordAddress_[24] = {};
    char threadID_[24] = {};
    char* arguments_[7] = {};
};
} // namespace Farrowkit
