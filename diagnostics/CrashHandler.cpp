#include "diagnostics/CrashHandler.h"

#include "diagnostics/FatalSignalLine.h"

#include <algorithm>
#include <iterator>
#include <unistd.h>

namespace Farrowkit
{
namespace
{

// The handler runs after arbitrary memory corruption, possibly inside malloc: only
// async-signal-safe calls from here on.

void WriteAll(const char* data, std::size_t size)
{
    while (size > 0)
    {
        const ssize_t written = ::write(STDERR_FILENO, data, size);
        if (written <= 0)
        {
            return;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

// Lets the signal end the process as if unhandled, so the exit status and any core dump still
// tell which signal it was. The re-raised signal stays blocked until the handler returns.
void DieOfSignal(int signal)
{
    struct sigaction defaultAction = {};
    defaultAction.sa_handler = SIG_DFL;
    ::sigemptyset(&defaultAction.sa_mask);
    ::sigaction(signal, &defaultAction, nullptr);
    ::raise(signal);
}

void OnFatalSignal(int signal)
{
    const FatalSignalLine line(signal, static_cast<long>(::getpid()));
    WriteAll(line.Data(), line.Size());
    DieOfSignal(signal);
}

std::size_t AlternateStackSize()
{
    // SIGSTKSZ is too small once the handler does more than write a line.
    return std::max<std::size_t>(SIGSTKSZ, 64 * 1024);
}

} // namespace

// companyID is meant for the crash reports; the one-line notice does not need it.
VCrashHandler::VCrashHandler(int /*companyID*/)
    : alternateStack_(std::make_unique<char[]>(AlternateStackSize()))
{
    stack_t stack = {};
    stack.ss_sp = alternateStack_.get();
    stack.ss_size = AlternateStackSize();
    ::sigaltstack(&stack, &previousStack_);

    struct sigaction action = {};
    action.sa_handler = OnFatalSignal;
    action.sa_flags = SA_ONSTACK;
    ::sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
    {
        ::sigaction(kSignals[i], &action, &previousActions_[i]);
    }
}

VCrashHandler::~VCrashHandler()
{
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
    {
        ::sigaction(kSignals[i], &previousActions_[i], nullptr);
    }
    ::sigaltstack(&previousStack_, nullptr);
}

} // namespace Farrowkit
