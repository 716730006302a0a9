#pragma once
// Turns the console's stop requests (SIGINT from Ctrl-C, SIGTERM, SIGHUP when the
// terminal closes) into a quit of the Qt event loop, so the program shuts down through
// its normal, orderly path. The stop signals are blocked in every thread from the start
// of the process (BlockStopSignals(), before any thread exists, so every thread inherits
// the mask) and served in exactly one place: a signal descriptor that the main thread
// watches with a socket notifier. No signal handler runs at all. Once a stop has been
// asked for, the main thread takes the stop signals with their default action again, so
// a second one during a stuck shut-down ends the process at once.
//
// Thread rules: thread-bound to the main thread; BlockStopSignals() is called on the main
// thread before any other thread is started.

#include <QCoreApplication>
#include <QSocketNotifier>
#include <memory>
#include <signal.h>

class VConsoleControl
{
public:
    // Blocks SIGINT, SIGTERM and SIGHUP in the calling thread and in every thread it
    // starts from then on.
    static void BlockStopSignals();

    // Starts watching for the stop signals.
    explicit VConsoleControl(QCoreApplication& application);
    // Stops watching; a stop signal from then on (during the shut-down that follows the
    // event loop) ends the process at once.
    ~VConsoleControl();
    VConsoleControl(const VConsoleControl&) = delete;
    VConsoleControl& operator=(const VConsoleControl&) = delete;

private:
    static sigset_t StopSignals();
    void OnStopSignal();
    static void LetStopSignalsEndTheProcess();

    QCoreApplication& application_;
    int signalDescriptor_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};
