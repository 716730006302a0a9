#include "app/ConsoleControl.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

sigset_t VConsoleControl::StopSignals()
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&stopSignals, signal);
    return stopSignals;
}

void VConsoleControl::BlockStopSignals()
{
    const sigset_t stopSignals = StopSignals();
    ::pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
}

VConsoleControl::VConsoleControl(QCoreApplication& application) : application_(application)
{
    const sigset_t stopSignals = StopSignals();
    signalDescriptor_ = ::signalfd(-1, &stopSignals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (signalDescriptor_ < 0)
    {
        std::fprintf(stderr, "Ctrl-C cannot stop this program: %s\n", std::strerror(errno));
        LetStopSignalsEndTheProcess();
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(signalDescriptor_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { OnStopSignal(); });
}

VConsoleControl::~VConsoleControl()
{
    notifier_.reset();
    if (signalDescriptor_ >= 0)
        ::close(signalDescriptor_);
    LetStopSignalsEndTheProcess();
}

void VConsoleControl::OnStopSignal()
{
    signalfd_siginfo received;
    while (::read(signalDescriptor_, &received, sizeof(received)) == sizeof(received))
    {
    }
    notifier_->setEnabled(false);
    LetStopSignalsEndTheProcess();
    application_.quit();
}

// The other threads keep the stopSignals blocked, so a stop signal can only land on the main
// thread, where it now takes its default action whatever the thread is doing.
void VConsoleControl::LetStopSignalsEndTheProcess()
{
    const sigset_t stopSignals = StopSignals();
    ::pthread_sigmask(SIG_UNBLOCK, &stopSignals, nullptr);
}
