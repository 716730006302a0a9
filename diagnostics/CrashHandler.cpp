#include "diagnostics/CrashHandler.h"

#include "diagnostics/FatalSignalLine.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <iterator>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

namespace Farrowkit
{
namespace
{

// What the handler reaches: a signal handler gets no other context. Set while a handler object
// exists; both point into that object.
std::atomic<CrashRecord*> activeRecord{nullptr};
std::atomic<ReporterLauncher*> activeLauncher{nullptr};
// Taken by the first thread that faults.
std::atomic<bool> reporting{false};

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

void CopyRegisters(const ucontext_t& context, CrashRegisters& registers)
{
    const greg_t* general = context.uc_mcontext.gregs;
    const auto at = [general](int index) { return static_cast<std::uint64_t>(general[index]); };
    registers.rax = at(REG_RAX);
    registers.rbx = at(REG_RBX);
    registers.rcx = at(REG_RCX);
    registers.rdx = at(REG_RDX);
    registers.rsi = at(REG_RSI);
    registers.rdi = at(REG_RDI);
    registers.rbp = at(REG_RBP);
    registers.rsp = at(REG_RSP);
    registers.r8 = at(REG_R8);
    registers.r9 = at(REG_R9);
    registers.r10 = at(REG_R10);
    registers.r11 = at(REG_R11);
    registers.r12 = at(REG_R12);
    registers.r13 = at(REG_R13);
    registers.r14 = at(REG_R14);
    registers.r15 = at(REG_R15);
    registers.rip = at(REG_RIP);
    registers.eflags = at(REG_EFL);
    // CS, GS, FS and SS packed in 16-bit fields, lowest first.
    const std::uint64_t segments = at(REG_CSGSFS);
    registers.cs = static_cast<std::uint16_t>(segments);
    registers.gs = static_cast<std::uint16_t>(segments >> 16);
    registers.fs = static_cast<std::uint16_t>(segments >> 32);
    registers.ss = static_cast<std::uint16_t>(segments >> 48);
    if (context.uc_mcontext.fpregs == nullptr)
        return;
    const auto* floatingPoint = reinterpret_cast<const std::uint8_t*>(context.uc_mcontext.fpregs);
    std::copy(floatingPoint, floatingPoint + sizeof(registers.floatingPoint),
              registers.floatingPoint);
}

void Record(CrashRecord& record, int signal, const siginfo_t& info, const void* context,
            int threadID)
{
    record.signal = signal;
    record.code = info.si_code;
    record.threadID = threadID;
    record.faultAddress = reinterpret_cast<std::uintptr_t>(info.si_addr);
    if (context != nullptr)
        CopyRegisters(*static_cast<const ucontext_t*>(context), record.registers);
}

void OnFatalSignal(int signal, siginfo_t* info, void* context)
{
    if (reporting.exchange(true))
    {
        // Another thread is reporting and ends the process when it is done.
        for (;;)
            ::pause();
    }
    CrashRecord* record = activeRecord.load();
    ReporterLauncher* launcher = activeLauncher.load();
    const pid_t processID = ::getpid();
    const FatalSignalLine line(signal, static_cast<long>(processID), launcher != nullptr);
    WriteAll(line.Data(), line.Size());
    if (record != nullptr && launcher != nullptr)
    {
        const int threadID = static_cast<int>(::syscall(SYS_gettid));
        Record(*record, signal, *info, context, threadID);
        launcher->Launch(threadID);
    }
    DieOfSignal(signal);
}

std::size_t AlternateStackSize()
{
    // SIGSTKSZ is too small once the handler does more than write a line.
    return std::max<std::size_t>(SIGSTKSZ, 64 * 1024);
}

} // namespace

// companyID names the maker in branded reports; the reporter is started with the default
// branding.
VCrashHandler::VCrashHandler(int /*companyID*/)
    : alternateStack_(std::make_unique<char[]>(AlternateStackSize())),
      record_(std::make_unique<CrashRecord>())
{
    record_->magic = kCrashRecordMagic;
    record_->size = sizeof(CrashRecord);
    launcher_ = ReporterLauncher::Prepare(*record_);
    activeRecord.store(record_.get());
    activeLauncher.store(launcher_.get());

    stack_t stack = {};
    stack.ss_sp = alternateStack_.get();
    stack.ss_size = AlternateStackSize();
    ::sigaltstack(&stack, &previousStack_);

    struct sigaction action = {};
    action.sa_sigaction = OnFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    // A fault while reporting must not re-enter the handler: the kernel then ends the process.
    ::sigemptyset(&action.sa_mask);
    for (const int signal : kSignals)
        ::sigaddset(&action.sa_mask, signal);
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
    activeLauncher.store(nullptr);
    activeRecord.store(nullptr);
}

} // namespace Farrowkit
