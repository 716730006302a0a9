#include "tools/halprobe/PollUntil.h"

#include "tools/halprobe/ProbeError.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <poll.h>

namespace HalProbe
{
namespace
{
int MillisecondsUntil(Clock::time_point deadline)
{
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<decltype(milliseconds)>(milliseconds, INT_MAX));
}
} // namespace

bool PollUntil(int fd, short events, Clock::time_point deadline, const char* what)
{
    for (;;)
    {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, MillisecondsUntil(deadline));
        if (ready > 0)
            return true;
        if (ready == 0)
            return false;
        if (errno != EINTR)
            ProbeError::FromErrno(std::string("cannot wait ") + what);
    }
}
} // namespace HalProbe
