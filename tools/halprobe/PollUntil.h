#pragma once
// Waiting on one descriptor until an absolute deadline, the single place where the probe
// blocks. Reentrant.

#include <chrono>

namespace HalProbe
{
using Clock = std::chrono::steady_clock;

// True once `fd` has one of `events` (or an error or hang-up to report); false when
// `deadline` passes first. Throws ProbeError about `what` if the wait itself fails.
bool PollUntil(int fd, short events, Clock::time_point deadline, const char* what);
} // namespace HalProbe
