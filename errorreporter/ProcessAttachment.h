#pragma once
// Holds every thread of another process stopped under ptrace while the reporter reads it, and
// lets them all go again, whatever path the reporter leaves by. Each thread listed in
// /proc/<pid>/task is seized and interrupted; the list is read again until no new thread turns
// up, so threads started during the attach are held too. Threads that cannot be attached
// (already gone, or not permitted) are left out; their registers are then not in the dump.
//
// Thread-bound: ptrace ties a tracee to the tracing thread, so the attachment is made, used and
// destroyed on one thread.

#include <sys/types.h>
#include <vector>

namespace QeltErrorReporting
{
class ProcessAttachment
{
public:
    explicit ProcessAttachment(pid_t processID);
    ~ProcessAttachment();
    ProcessAttachment(const ProcessAttachment&) = delete;
    ProcessAttachment& operator=(const ProcessAttachment&) = delete;

    pid_t ProcessID() const { return processID_; }
    // The stopped threads, in the order they were attached.
    const std::vector<pid_t>& Threads() const { return threads_; }

private:
    bool IsAttached(pid_t thread) const;
    bool Attach(pid_t thread);

    pid_t processID_;
    std::vector<pid_t> threads_;
};

// The thread IDs listed in /proc/<pid>/task; empty when the process is gone.
std::vector<pid_t> ListThreads(pid_t processID);
} // namespace QeltErrorReporting
