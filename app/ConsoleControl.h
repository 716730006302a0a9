#pragma once
// Turns the console's stop requests (SIGINT from Ctrl-C, SIGTERM, SIGHUP when the
// terminal closes) into a quit of the Qt event loop, so the program shuts down through
// its normal, orderly path. The signal handler only writes a byte to a pipe; the main
// thread reads it through a socket notifier and asks the application to quit. A second
// signal before the first has been handled (a stuck main thread) ends the process at once.
//
// Thread rules: thread-bound to the main thread; the handler itself runs on whichever
// thread the signal lands on and touches only the pipe and an atomic counter.

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <memory>

class VConsoleControl
{
public:
    // Registers the handler for SIGINT, SIGTERM and SIGHUP.
    explicit VConsoleControl(QCoreApplication& application);
    // Puts the previous signal dispositions back; a signal from then on (during the
    // shut-down that follows the event loop) takes its default action.
    ~VConsoleControl();
    VConsoleControl(const VConsoleControl&) = delete;
    VConsoleControl& operator=(const VConsoleControl&) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    static constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

    void OnSignalPipeReadable();

    QCoreApplication& application_;
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction previous_[kSignalCount] = {};
};
