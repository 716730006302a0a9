#include "tests/support/ChildProcess.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace BriselTest
{
namespace
{
void ClosePipe(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// The child ends with the test that started it, even when the test itself dies before it
// could stop it: a program left running would hold its ports for the tests after it.
[[noreturn]] void ExecChild(const std::string& program, const std::vector<std::string>& arguments,
                            int outputFd, int errorFd, pid_t parent)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
    ::dup2(outputFd, STDOUT_FILENO);
    ::dup2(errorFd, STDERR_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}
} // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments)
{
    int output[2];
    int error[2];
    if (::pipe2(output, O_CLOEXEC) != 0 || ::pipe2(error, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2 failed");
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0)
        ExecChild(program, arguments, output[1], error[1], parent);
    ::close(output[1]);
    ::close(error[1]);
    outputPipe_ = output[0];
    errorPipe_ = error[0];
}

ChildProcess::~ChildProcess()
{
    if (!status_)
    {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    ClosePipe(outputPipe_);
    ClosePipe(errorPipe_);
}

bool ChildProcess::ReadSome(Clock::time_point deadline)
{
    pollfd entries[2] = {{outputPipe_, POLLIN, 0}, {errorPipe_, POLLIN, 0}};
    if (outputPipe_ < 0 && errorPipe_ < 0)
        return false;
    const auto remaining =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (::poll(entries, 2, remaining > 0 ? static_cast<int>(remaining) : 0) <= 0)
        return true;
    int* fds[2] = {&outputPipe_, &errorPipe_};
    std::string* texts[2] = {&output_, &error_};
    for (int i = 0; i < 2; ++i)
    {
        if (entries[i].revents == 0)
            continue;
        char buffer[4096];
        const ssize_t count = ::read(*fds[i], buffer, sizeof(buffer));
        if (count > 0)
            texts[i]->append(buffer, static_cast<std::size_t>(count));
        else
            ClosePipe(*fds[i]);
    }
    return true;
}

bool ChildProcess::WaitFor(const std::string& stream, const std::string& text,
                           std::chrono::milliseconds timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;)
    {
        if (stream.find(text) != std::string::npos)
            return true;
        if (Clock::now() >= deadline || !ReadSome(deadline))
            return false;
    }
}

bool ChildProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds timeout)
{
    return WaitFor(output_, text, timeout);
}

bool ChildProcess::WaitForError(const std::string& text, std::chrono::milliseconds timeout)
{
    return WaitFor(error_, text, timeout);
}

void ChildProcess::Signal(int signalNumber)
{
    if (!status_)
        ::kill(pid_, signalNumber);
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    while (ReadSome(deadline) && Clock::now() < deadline)
    {
    }
    while (!status_ && Clock::now() < deadline)
    {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_)
            status_ = status;
        else
            ::usleep(1000);
    }
    return status_;
}

int ExitCodeOf(std::optional<int> status)
{
    return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
}

ProgramOutcome Finish(ChildProcess& process, std::chrono::milliseconds timeout)
{
    const int exitCode = ExitCodeOf(process.WaitForExit(timeout));
    return {exitCode, process.Output(), process.Error()};
}

ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                          std::chrono::milliseconds timeout)
{
    ChildProcess process(program, arguments);
    return Finish(process, timeout);
}

int RunCommand(const std::string& commandLine)
{
    const int status = std::system(commandLine.c_str());
    return status < 0 ? -1 : ExitCodeOf(status);
}
} // namespace BriselTest
