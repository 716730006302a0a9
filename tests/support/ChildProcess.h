#pragma once
// Runs a program as a child process with its standard output and error on pipes, for
// end-to-end tests and benchmarks that drive the real programs. Output is collected by
// polling on the caller's thread, so there is no hidden reader thread; every wait has a
// deadline. Thread-bound to the thread that created it.

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace BriselTest
{
class ChildProcess
{
public:
    using Clock = std::chrono::steady_clock;

    ChildProcess(const std::string& program, const std::vector<std::string>& arguments);
    // Kills the child if it is still running.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits until standard output contains `text`; false when the deadline passes or
    // the child closes its output first.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout);
    bool WaitForError(const std::string& text, std::chrono::milliseconds timeout);

    void Signal(int signalNumber);

    // Waits for the child to end, collecting the rest of its output. The raw wait
    // status, or nothing when it did not end in time.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);

    const std::string& Output() const { return output_; }
    const std::string& Error() const { return error_; }
    pid_t Pid() const { return pid_; }

private:
    bool WaitFor(const std::string& stream, const std::string& text,
                 std::chrono::milliseconds timeout);
    // Reads whatever the pipes hold, waiting at most until `deadline`; false once both
    // pipes are closed.
    bool ReadSome(Clock::time_point deadline);

    pid_t pid_ = -1;
    int outputPipe_ = -1;
    int errorPipe_ = -1;
    std::string output_;
    std::string error_;
    std::optional<int> status_;
};

// The exit code of a child that exited, or -1 when it was killed or has not ended.
int ExitCodeOf(std::optional<int> status);

// What a program left when it ended: its exit code as ExitCodeOf gives it, and all it wrote.
struct ProgramOutcome
{
    int exitCode;
    std::string output;
    std::string error;
};

// Waits up to `timeout` for `process` to end.
ProgramOutcome Finish(ChildProcess& process, std::chrono::milliseconds timeout);
// Runs `program` with `arguments` and waits up to `timeout` for it to end.
ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                          std::chrono::milliseconds timeout);

// Runs a shell command line; its exit code, or -1 when it could not be run.
int RunCommand(const std::string& commandLine);
} // namespace BriselTest
