#pragma once

// While an instance exists, fatal signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) write a crash
// report, then kill the process with the same signal. The handler records the fault (signal,
// code, address, thread, registers) in a crash record, prints one line on standard error and
// starts the error reporter found beside the executable, which attaches to this process, writes
// a minidump and ends; without a reporter the line says that no report was written. Everything
// the handler uses is prepared at construction, so the handler itself only makes
// async-signal-safe calls.
//
// One instance per process, thread-bound to the main thread (normally a static object). The
// handler runs on an alternate stack registered for the main thread, so its stack overflows are
// reported too; a stack overflow on another thread still kills the process, without the report.
// When several threads fault at once, the first one reports and the others wait for the end.

#include "diagnostics/CrashRecord.h"
#include "diagnostics/ReporterLauncher.h"

#include <csignal>
#include <iterator>
#include <memory>

namespace Farrowkit
{

class VCrashHandler
{
public:
    explicit VCrashHandler(int companyID);
    ~VCrashHandler();

    VCrashHandler(const VCrashHandler&) = delete;
    VCrashHandler& operator=(const VCrashHandler&) = delete;

private:
    static constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

    std::unique_ptr<char[]> alternateStack_;
    stack_t previousStack_;
    struct sigaction previousActions_[std::size(kSignals)];
    std::unique_ptr<CrashRecord> record_;
    std::unique_ptr<ReporterLauncher> launcher_;
};

} // namespace Farrowkit
