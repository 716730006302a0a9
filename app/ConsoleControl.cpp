#include "app/ConsoleControl.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace
{
// The handler can reach nothing but process-wide state: one registration at a time.
int signalPipe[2] = {-1, -1};
std::atomic<int> pendingSignals{0};

void OnStopSignal(int signalNumber)
{
    const int savedErrno = errno;
    if (pendingSignals.fetch_add(1) > 0)
    {
        ::signal(signalNumber, SIG_DFL);
        ::raise(signalNumber);
    }
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}
} // namespace

VConsoleControl::VConsoleControl(QCoreApplication& application) : application_(application)
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
    {
        std::fprintf(stderr, "Ctrl-C cannot stop this program: %s\n", std::strerror(errno));
        return;
    }
    pendingSignals = 0;
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated,
                     [this] { OnSignalPipeReadable(); });
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < kSignalCount; ++i)
        ::sigaction(kSignals[i], &action, &previous_[i]);
}

VConsoleControl::~VConsoleControl()
{
    if (!notifier_)
        return;
    for (int i = 0; i < kSignalCount; ++i)
        ::sigaction(kSignals[i], &previous_[i], nullptr);
    notifier_.reset();
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void VConsoleControl::OnSignalPipeReadable()
{
    char bytes[16];
    while (::read(signalPipe[0], bytes, sizeof(bytes)) > 0)
    {
    }
    pendingSignals = 0;
    application_.quit();
}
