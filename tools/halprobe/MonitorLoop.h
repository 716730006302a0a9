#pragma once
// The loop of the commands that watch the HAL's data ports: hands each frame, fault and
// record to the command as it arrives and asks for a report once a second, until the time
// is up or Ctrl-C or SIGTERM arrived. Thread-bound to the thread that owns the monitor.

#include "tools/halprobe/DataPortMonitor.h"
#include "tools/halprobe/StopSignals.h"

#include <functional>

namespace HalProbe
{
// `report` gets the moment and the seconds since the previous report (or the start).
using MonitorReport = std::function<void(Clock::time_point now, double seconds)>;
using MonitorHandler = std::function<void(MonitorEvent& event)>;

// Runs from `start` for `limit` (Clock::duration::max() for as long as no signal comes).
void RunMonitorLoop(DataPortMonitor& monitor, Clock::time_point start, Clock::duration limit,
                    const StopSignals& stop, const MonitorHandler& handle,
                    const MonitorReport& report);
} // namespace HalProbe
