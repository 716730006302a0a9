#include "tools/halprobe/ListenCommand.h"

#include "tools/halprobe/CameraFrameText.h"
#include "tools/halprobe/DataPortMonitor.h"
#include "tools/halprobe/RecordText.h"
#include "tools/halprobe/SocketAddress.h"
#include "tools/halprobe/StopSignals.h"
#include "tools/halprobe/StreamStatistics.h"

#include <algorithm>
#include <cstdio>

namespace HalProbe
{
const char* const kListenUsage =
    "Usage: halprobe listen --hal IP --port PORT [--seconds SECONDS] [--show-frame ID|any]\n"
    "Listens on UDP IP:PORT, the HAL data port given to a device with \"notify\" and\n"
    "\"portset\", which carries its records and a protocol-1 camera's centroid stream, and\n"
    "on PORT + 1000 and PORT + 5000, where cameras send their protocol-1 greyscale stream\n"
    "and protocol-2 combined stream (a stream port that cannot be bound is left out with a\n"
    "note). Prints, with its arrival time in seconds since the start, each record that is\n"
    "not camera data and each camera stream fault; every second, per camera and stream,\n"
    "the frames, items and datagrams per second; at the end the totals.\n"
    "  --seconds SECONDS     stop after SECONDS; without it, run until interrupted (Ctrl-C)\n"
    "  --show-frame ID|any   print the first whole frame of camera ID (decimal or 0x\n"
    "                        hexadecimal), or of any camera, in full: one item per line\n";

namespace
{
constexpr auto kReportInterval = std::chrono::seconds(1);
// How long a signal may wait to be noticed.
constexpr auto kStopCheckInterval = std::chrono::milliseconds(200);

// Which frame to print in full: none, the first of any camera, or the first of one.
struct FrameChoice
{
    bool wanted = false;
    std::optional<std::uint32_t> deviceId;

    bool Matches(const CameraFrame& frame) const
    {
        return wanted && (!deviceId || *deviceId == frame.deviceId);
    }
};

FrameChoice ParseFrameChoice(const std::optional<std::string>& text)
{
    if (!text)
        return {};
    if (*text == "any")
        return {true, std::nullopt};
    return {true, ParseDeviceId(*text)};
}

Clock::time_point EndOf(Clock::time_point start, Clock::duration limit)
{
    return limit >= Clock::time_point::max() - start ? Clock::time_point::max() : start + limit;
}

class Listening
{
public:
    Listening(DataPortMonitor& monitor, FrameChoice show) : monitor_(monitor), show_(show) {}

    void Run(Clock::duration limit, const StopSignals& stop)
    {
        const Clock::time_point end = EndOf(start_, limit);
        for (Clock::time_point now = Clock::now(); now < end && !stop.Arrived(); now = Clock::now())
        {
            if (now >= lastReport_ + kReportInterval)
                Report(now);
            else if (std::optional<StreamEvent> event = monitor_.Next(
                         std::min({end, lastReport_ + kReportInterval, now + kStopCheckInterval})))
                std::visit([this](const auto& happened) { Handle(happened); }, *event);
        }
        Finish();
    }

private:
    void Print(Clock::time_point moment, const std::string& text) const
    {
        std::printf("%10.3f s  %s\n", std::chrono::duration<double>(moment - start_).count(),
                    text.c_str());
    }

    void Handle(const DataRecord& record) const { Print(record.arrival, DataRecordText(record)); }

    void Handle(const StreamFault& fault)
    {
        statistics_.AddFault(fault);
        Print(fault.arrival, "fault: " + StreamFaultText(fault));
    }

    void Handle(const CameraFrame& frame)
    {
        statistics_.AddFrame(frame);
        if (!show_.Matches(frame))
            return;
        show_.wanted = false;
        for (const std::string& line : CameraFrameLines(frame))
            std::printf("%s\n", line.c_str());
    }

    void Report(Clock::time_point now)
    {
        const double seconds = std::chrono::duration<double>(now - lastReport_).count();
        for (const std::string& line : statistics_.TakeRateLines(seconds))
            Print(now, line);
        lastReport_ = now;
    }

    void Finish()
    {
        for (StreamFault& fault : monitor_.FlushIncomplete())
        {
            fault.arrival = Clock::now();
            Handle(fault);
        }
        if (statistics_.Empty())
            return;
        Print(Clock::now(), "totals:");
        for (const std::string& line : statistics_.TotalLines())
            std::printf("  %s\n", line.c_str());
    }

    DataPortMonitor& monitor_;
    FrameChoice show_;
    StreamStatistics statistics_;
    const Clock::time_point start_ = Clock::now();
    Clock::time_point lastReport_ = start_;
};

void PrintEndpoints(const DataPortMonitor& monitor)
{
    const auto& listeners = monitor.Listeners();
    std::printf("listening on %s\n", EndpointText(listeners.front()->LocalEndpoint()).c_str());
    for (auto listener = listeners.begin() + 1; listener != listeners.end(); ++listener)
        std::printf("listening for the %s on %s\n", CameraStreamName((*listener)->Stream()),
                    EndpointText((*listener)->LocalEndpoint()).c_str());
    for (const std::string& note : monitor.Unavailable())
        std::fprintf(stderr, "halprobe: %s\n", note.c_str());
}
} // namespace

int RunListen(ArgumentList& arguments)
{
    const std::string hal = arguments.TakeRequiredOption("--hal");
    const std::uint16_t port = ParsePort(arguments.TakeRequiredOption("--port"));
    const std::optional<std::string> seconds = arguments.TakeOption("--seconds");
    const FrameChoice show = ParseFrameChoice(arguments.TakeOption("--show-frame"));
    const Clock::duration limit =
        seconds ? ToDuration(ParseSeconds(*seconds)) : Clock::duration::max();
    arguments.ExpectNothingElse();
    DataPortMonitor monitor(hal, port);
    // Held back before the first line, so whoever waits for it can stop the run cleanly.
    const StopSignals stop;
    PrintEndpoints(monitor);
    Listening(monitor, show).Run(limit, stop);
    return 0;
}
} // namespace HalProbe
