// The console's stop signals, served as briselCL serves them, in a child process of its
// own: blocked from the start of the process, a stop asked for at any time ends the event
// loop in order, and a second one during a stuck stop ends the process at once.

#include "app/ConsoleControl.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace
{
constexpr auto kGenerous = 30s;

// A forked child that blocks the stop signals first, runs `beforeLoop`, then the event
// loop with the console control, then `afterLoop`, and exits with the loop's result. It
// reports its stages on a pipe: 'b' after blocking, 'r' once the loop runs, 'q' when the
// loop is about to return, 's' after it has returned.
class ControlledChild
{
public:
    struct Stages
    {
        std::function<void()> beforeLoop = [] {};
        std::function<void()> aboutToQuit = [] {};
        std::function<void()> afterLoop = [] {};
    };

    explicit ControlledChild(Stages stages)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0)
        {
            ::close(fds[0]);
            RunChild(fds[1], stages);
        }
        ::close(fds[1]);
        stages_ = fds[0];
    }
    ~ControlledChild()
    {
        if (!status_)
        {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(stages_);
    }

    bool WaitForStage(char stage)
    {
        const auto deadline = std::chrono::steady_clock::now() + kGenerous;
        for (char next = 0; std::chrono::steady_clock::now() < deadline;)
        {
            pollfd entry{stages_, POLLIN, 0};
            if (::poll(&entry, 1, 100) == 1 && ::read(stages_, &next, 1) == 1 && next == stage)
                return true;
        }
        return false;
    }
    void Signal(int signal) { ::kill(pid_, signal); }
    std::optional<int> WaitForExit()
    {
        const auto deadline = std::chrono::steady_clock::now() + kGenerous;
        while (!status_ && std::chrono::steady_clock::now() < deadline)
        {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_)
                status_ = status;
            else
                std::this_thread::sleep_for(5ms);
        }
        return status_;
    }

private:
    [[noreturn]] static void RunChild(int stagePipe, const Stages& stages)
    {
        const auto report = [stagePipe](char stage) { (void)!::write(stagePipe, &stage, 1); };
        VConsoleControl::BlockStopSignals();
        report('b');
        stages.beforeLoop();
        int argc = 1;
        char name[] = "console-control-test";
        char* argv[] = {name, nullptr};
        QCoreApplication application(argc, argv);
        int result = 0;
        {
            VConsoleControl control(application);
            QTimer::singleShot(0, [&] { report('r'); });
            QObject::connect(&application, &QCoreApplication::aboutToQuit,
                             [&]
                             {
                                 report('q');
                                 stages.aboutToQuit();
                             });
            result = application.exec();
        }
        report('s');
        stages.afterLoop();
        ::_exit(result);
    }

    pid_t pid_ = -1;
    int stages_ = -1;
    std::optional<int> status_;
};

bool ExitedWith(std::optional<int> status, int code)
{
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

bool KilledBy(std::optional<int> status, int signal)
{
    return status && WIFSIGNALED(*status) && WTERMSIG(*status) == signal;
}

void StuckForever()
{
    for (;;)
        std::this_thread::sleep_for(1h);
}
} // namespace

TEST(ConsoleControl, EachStopSignalEndsTheLoopInOrder)
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
    {
        ControlledChild child({});
        ASSERT_TRUE(child.WaitForStage('r'));
        child.Signal(signal);
        EXPECT_TRUE(ExitedWith(child.WaitForExit(), 0)) << "signal " << signal;
    }
}

TEST(ConsoleControl, StopAskedForDuringStartUpIsServedOnceTheLoopRuns)
{
    ControlledChild child({[] { std::this_thread::sleep_for(300ms); }});
    ASSERT_TRUE(child.WaitForStage('b'));
    child.Signal(SIGINT);
    EXPECT_TRUE(ExitedWith(child.WaitForExit(), 0)) << "neither lost nor fatal";
}

TEST(ConsoleControl, SecondSignalEndsAStuckStopAtOnce)
{
    ControlledChild stuckAfterLoop({[] {}, [] {}, StuckForever});
    ASSERT_TRUE(stuckAfterLoop.WaitForStage('r'));
    stuckAfterLoop.Signal(SIGINT);
    ASSERT_TRUE(stuckAfterLoop.WaitForStage('s'));
    stuckAfterLoop.Signal(SIGINT);
    EXPECT_TRUE(KilledBy(stuckAfterLoop.WaitForExit(), SIGINT));

    ControlledChild stuckLeavingLoop({[] {}, StuckForever});
    ASSERT_TRUE(stuckLeavingLoop.WaitForStage('r'));
    stuckLeavingLoop.Signal(SIGTERM);
    ASSERT_TRUE(stuckLeavingLoop.WaitForStage('q'));
    stuckLeavingLoop.Signal(SIGTERM);
    EXPECT_TRUE(KilledBy(stuckLeavingLoop.WaitForExit(), SIGTERM));
}
