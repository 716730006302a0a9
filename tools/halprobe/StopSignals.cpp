#include "tools/halprobe/StopSignals.h"

#include <ctime>
#include <pthread.h>

namespace HalProbe
{
StopSignals::StopSignals()
{
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
}

StopSignals::~StopSignals()
{
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

bool StopSignals::Arrived() const
{
    const timespec noWait{};
    return ::sigtimedwait(&signals_, nullptr, &noWait) > 0;
}
} // namespace HalProbe
