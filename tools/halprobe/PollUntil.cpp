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

std::optional<std::size_t> FirstReady(const std::vector<pollfd>& entries)
{
    const auto ready = std::find_if(entries.begin(), entries.end(),
                                    [](const pollfd& entry) { return entry.revents != 0; });
    if (ready == entries.end())
        return std::nullopt;
    return static_cast<std::size_t>(ready - entries.begin());
}
} // namespace

bool PollUntil(int fd, short events, Clock::time_point deadline, const char* what)
{
    return PollAnyUntil({fd}, events, deadline, what).has_value();
}

std::optional<std::size_t> PollAnyUntil(const std::vector<int>& fds, short events,
                                        Clock::time_point deadline, const char* what)
{
    std::vector<pollfd> entries;
    for (int fd : fds)
        entries.push_back({fd, events, 0});
    for (;;)
    {
        const int ready = ::poll(entries.data(), entries.size(), MillisecondsUntil(deadline));
        if (ready > 0)
            return FirstReady(entries);
        if (ready == 0)
            return std::nullopt;
        if (errno != EINTR)
            ProbeError::FromErrno(std::string("cannot wait ") + what);
    }
}
} // namespace HalProbe
