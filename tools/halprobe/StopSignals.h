#pragma once
// Holds back Ctrl-C (SIGINT) and SIGTERM for as long as it lives, so that a long-running
// command can notice them between steps, finish its output and end on its own.
// Thread-bound to the main thread, which must create it before any other thread starts.

#include <csignal>

namespace HalProbe
{
class StopSignals
{
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // True once one of the signals has arrived; takes it.
    bool Arrived() const;

private:
    sigset_t signals_;
    sigset_t previous_;
};
} // namespace HalProbe
