#pragma once

// While an instance exists, fatal signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) print one
// line on standard error, then kill the process with the same signal. One instance per process,
// thread-bound to the main thread (normally a static object). The handler runs on an alternate
// stack registered for the main thread, so its stack overflows are reported too; a stack
// overflow on another thread still kills the process, without the line.

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
};

} // namespace Farrowkit
