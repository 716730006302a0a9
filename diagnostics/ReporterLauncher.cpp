#include "diagnostics/ReporterLauncher.h"

#include "diagnostics/CrashRecord.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Farrowkit
{
namespace
{
constexpr char kReporterName[] = "QeltErrorReporting";
char kBranding[] = "0";
char kBatch[] = "--batch";

// Writes `value` in decimal, or in hexadecimal with "0x" when `base` is 16, into `text` (room for
// 24 characters). Async-signal-safe.
void FormatNumber(std::uint64_t value, unsigned base, char* text)
{
    char digits[24];
    int count = 0;
    do
    {
        const unsigned digit = static_cast<unsigned>(value % base);
        digits[count++] = static_cast<char>(digit < 10 ? '0' + digit : 'a' + digit - 10);
        value /= base;
    } while (value != 0);
    if (base == 16)
    {
        *text++ = '0';
        *text++ = 'x';
    }
    while (count > 0)
        *text++ = digits[--count];
    *text = '\0';
}

// The folder of the running executable followed by the reporter's name; false when the path
// does not fit or no executable reporter is there.
bool FindReporter(char (&path)[PATH_MAX])
{
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0)
        return false;
    path[length] = '\0';
    char* slash = std::strrchr(path, '/');
    if (slash == nullptr || (slash + 1 - path) + sizeof(kReporterName) > sizeof(path))
        return false;
    std::memcpy(slash + 1, kReporterName, sizeof(kReporterName));
    return ::access(path, X_OK) == 0;
}

bool DisplayAvailable()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

// In the forked child: the reporter must not inherit the signals blocked in the crashed thread
// (the fatal signal itself among them).
[[noreturn]] void ExecReporter(char* const* arguments)
{
    sigset_t none;
    ::sigemptyset(&none);
    ::syscall(SYS_rt_sigprocmask, SIG_SETMASK, &none, nullptr, sizeof(std::uint64_t));
    ::syscall(SYS_execve, arguments[0], arguments, environ);
    ::syscall(SYS_exit_group, 127);
    __builtin_unreachable();
}

// The reporter's exit status; -1 when waiting failed.
int WaitFor(pid_t child)
{
    int status = 0;
    for (;;)
    {
        const long result = ::syscall(SYS_wait4, child, &status, 0, nullptr);
        if (result == child)
            return status;
        if (result < 0 && errno != EINTR)
            return -1;
    }
}
} // namespace

std::unique_ptr<ReporterLauncher> ReporterLauncher::Prepare(const CrashRecord& record)
{
    std::unique_ptr<ReporterLauncher> launcher(new ReporterLauncher);
    if (!FindReporter(launcher->path_))
        return nullptr;
    launcher->FillArguments(record, !DisplayAvailable());
    return launcher;
}

void ReporterLauncher::FillArguments(const CrashRecord& record, bool batch)
{
    FormatNumber(reinterpret_cast<std::uintptr_t>(&record), 16, recordAddress_);
    arguments_[0] = path_;
    arguments_[1] = processID_;
    arguments_[2] = recordAddress_;
    arguments_[3] = threadID_;
    arguments_[4] = kBranding;
    arguments_[5] = batch ? kBatch : nullptr;
    arguments_[6] = nullptr;
}

bool ReporterLauncher::Launch(int threadID)
{
    // The process ID is taken now: a process that forked after start-up has another one.
    FormatNumber(static_cast<std::uint64_t>(::getpid()), 10, processID_);
    FormatNumber(static_cast<std::uint64_t>(threadID), 10, threadID_);
    // Where ptrace is restricted to ancestors, the reporter (a child) needs leave to attach.
    ::prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);
    // Waiting needs the child's exit to be reported, whatever the program did with SIGCHLD.
    struct sigaction defaultAction = {};
    defaultAction.sa_handler = SIG_DFL;
    ::sigaction(SIGCHLD, &defaultAction, nullptr);

    // The raw system call: a library fork() runs fork handlers, which may take locks.
    const long child = ::syscall(SYS_fork);
    if (child < 0)
        return false;
    if (child == 0)
        ExecReporter(arguments_);
    const int status = WaitFor(static_cast<pid_t>(child));
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
} // namespace Farrowkit
