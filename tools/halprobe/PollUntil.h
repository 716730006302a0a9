#pragma once
// Waiting on descriptors until an absolute deadline, the single place where the probe
// blocks. Reentrant.

#include <chrono>
#include <optional>
#include <vector>

namespace HalProbe
{
using Clock = std::chrono::steady_clock;

// True once `fd` has one of `events` (or an error or hang-up to report); false when
// `deadline` passes first. Throws ProbeError about `what` if the wait itself fails.
bool PollUntil(int fd, short events, Clock::time_point deadline, const char* what);

// The position in `fds` of the first descriptor that has one of `events` (or an error or
// hang-up), or nothing when `deadline` passes first. Throws ProbeError as PollUntil does.
std::optional<std::size_t> PollAnyUntil(const std::vector<int>& fds, short events,
                                        Clock::time_point deadline, const char* what);
} // namespace HalProbe
