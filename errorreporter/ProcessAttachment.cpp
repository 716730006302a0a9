#include "errorreporter/ProcessAttachment.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <sys/ptrace.h>
#include <sys/wait.h>

namespace QeltErrorReporting
{
std::vector<pid_t> ListThreads(pid_t processID)
{
    std::vector<pid_t> threads;
    const std::string folder = "/proc/" + std::to_string(processID) + "/task";
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr)
        return threads;
    while (const dirent* entry = ::readdir(directory))
    {
        const long thread = std::strtol(entry->d_name, nullptr, 10);
        if (thread > 0)
            threads.push_back(static_cast<pid_t>(thread));
    }
    ::closedir(directory);
    return threads;
}

ProcessAttachment::ProcessAttachment(pid_t processID) : processID_(processID)
{
    bool found = true;
    while (found)
    {
        found = false;
        for (const pid_t thread : ListThreads(processID))
        {
            if (IsAttached(thread) || !Attach(thread))
                continue;
            threads_.push_back(thread);
            found = true;
        }
    }
}

ProcessAttachment::~ProcessAttachment()
{
    for (const pid_t thread : threads_)
        ::ptrace(PTRACE_DETACH, thread, nullptr, nullptr);
}

bool ProcessAttachment::IsAttached(pid_t thread) const
{
    return std::find(threads_.begin(), threads_.end(), thread) != threads_.end();
}

// Seizes `thread` and waits until it has stopped for the interrupt.
bool ProcessAttachment::Attach(pid_t thread)
{
    if (::ptrace(PTRACE_SEIZE, thread, nullptr, nullptr) != 0)
        return false;
    if (::ptrace(PTRACE_INTERRUPT, thread, nullptr, nullptr) != 0)
    {
        ::ptrace(PTRACE_DETACH, thread, nullptr, nullptr);
        return false;
    }
    int status = 0;
    pid_t waited = -1;
    do
        waited = ::waitpid(thread, &status, __WALL);
    while (waited < 0 && errno == EINTR);
    // A thread that exited meanwhile is reaped here and has nothing left to detach.
    return waited == thread && WIFSTOPPED(status);
}
} // namespace QeltErrorReporting
