#include "tools/halprobe/MonitorLoop.h"

#include <algorithm>

namespace HalProbe
{
namespace
{
constexpr auto kReportInterval = std::chrono::seconds(1);
// How long a signal may wait to be noticed.
constexpr auto kStopCheckInterval = std::chrono::milliseconds(200);

Clock::time_point EndOf(Clock::time_point start, Clock::duration limit)
{
    return limit >= Clock::time_point::max() - start ? Clock::time_point::max() : start + limit;
}
} // namespace

void RunMonitorLoop(DataPortMonitor& monitor, Clock::time_point start, Clock::duration limit,
                    const StopSignals& stop, const MonitorHandler& handle,
                    const MonitorReport& report)
{
    const Clock::time_point end = EndOf(start, limit);
    Clock::time_point lastReport = start;
    for (Clock::time_point now = Clock::now(); now < end && !stop.Arrived(); now = Clock::now())
    {
        if (now >= lastReport + kReportInterval)
        {
            report(now, std::chrono::duration<double>(now - lastReport).count());
            lastReport = now;
        }
        else if (std::optional<MonitorEvent> event = monitor.Next(
                     std::min({end, lastReport + kReportInterval, now + kStopCheckInterval})))
            handle(*event);
    }
}
} // namespace HalProbe
