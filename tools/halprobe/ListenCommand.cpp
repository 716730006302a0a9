#include "tools/halprobe/ListenCommand.h"

#include "tools/halprobe/BoxRecordText.h"
#include "tools/halprobe/BoxStatistics.h"
#include "tools/halprobe/CameraFrameText.h"
#include "tools/halprobe/DataPortMonitor.h"
#include "tools/halprobe/LossStatistics.h"
#include "tools/halprobe/MonitorLoop.h"
#include "tools/halprobe/RecordText.h"
#include "tools/halprobe/SocketAddress.h"
#include "tools/halprobe/StopSignals.h"
#include "tools/halprobe/StreamStatistics.h"
#include "tools/halprobe/TrialRecorder.h"

#include <cstdio>

namespace HalProbe
{
const char* const kListenUsage =
    "Usage: halprobe listen --hal IP --port PORT [--seconds SECONDS] [--show-frame ID|any]\n"
    "         [--record-x2d FILE] [--record-x1d FILE]\n"
    "Listens on UDP IP:PORT, the HAL data port given to a device with \"notify\" and\n"
    "\"portset\", which carries its status and GPI records, a protocol-1 camera's centroid\n"
    "stream and a network box's analogue data; on PORT + 1000 and PORT + 5000, where\n"
    "cameras send their protocol-1 greyscale stream and protocol-2 combined stream; and on\n"
    "PORT + 2000, where a network box sends its timecode records (a port that cannot be\n"
    "bound is left out with a note). Prints, with its arrival time in seconds since the\n"
    "start, each record other than camera, analogue and timecode data (GPI changes among\n"
    "them) and each camera or analogue stream fault; every second, per camera and stream,\n"
    "the frames, items and datagrams per second, and per network box the analogue frames\n"
    "per second, the samples per second of each enabled channel, the channel count and the\n"
    "latest timecode (HH:MM:SS:FF and rate code); at the end the totals and, per camera\n"
    "and stream, the losses: whole and incomplete frames, the frame numbers that never came,\n"
    "the datagrams lost (where the combined stream's datagram indices show them) and the\n"
    "longest time without data.\n"
    "  --seconds SECONDS     stop after SECONDS; without it, run until interrupted (Ctrl-C)\n"
    "  --show-frame ID|any   print in full the first whole frame of camera ID (decimal or\n"
    "                        0x hexadecimal), or of any camera, one item per line; and of\n"
    "                        box ID, or of any box, the first analogue frame (its record\n"
    "                        and the first values of each channel) and the first timecode\n"
    "                        record\n"
    "  --record-x2d FILE     record every whole camera frame into the X2D file FILE, one\n"
    "                        camera per camera heard, ascending by identifier, one file\n"
    "                        frame per frame number (the two protocol-1 streams of a frame\n"
    "                        joined); a frame is written once frames 16 numbers newer have\n"
    "                        come, so memory stays small; cameras first heard after the\n"
    "                        first frame was written are left out and named at the end;\n"
    "                        a camera that lost its part of a frame gets an empty record.\n"
    "                        Centroids are stored exactly as sent (1/256 pixel)\n"
    "  --record-x1d FILE     record every analogue frame into the X1D file FILE, one device\n"
    "                        per box (its DeviceID as identifier, its enabled channels as\n"
    "                        sources), the samples channel-major as one block per frame\n"
    "                        Both files are completed when the run ends, Ctrl-C included;\n"
    "                        exit code 1 when one could not be written.\n";

namespace
{
constexpr std::size_t kShownSamples = 8;

// Which frame to print in full: none, the first of any camera, or the first of one.
struct FrameChoice
{
    bool wanted = false;
    std::optional<std::uint32_t> deviceId;

    // True for the first match only.
    bool Take(std::uint32_t sender)
    {
        if (!wanted || (deviceId && *deviceId != sender))
            return false;
        wanted = false;
        return true;
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

class Listening
{
public:
    Listening(DataPortMonitor& monitor, FrameChoice show, TrialRecorder& recorder)
        : monitor_(monitor), recorder_(recorder), showCamera_(show), showAnalogue_(show),
          showTimecode_(show)
    {
    }

    // False when a recording could not be written.
    bool Run(Clock::duration limit, const StopSignals& stop)
    {
        RunMonitorLoop(
            monitor_, start_, limit, stop,
            [this](MonitorEvent& event)
            { std::visit([this](const auto& happened) { Handle(happened); }, event); },
            [this](Clock::time_point now, double seconds) { Report(now, seconds); });
        Finish();
        return PrintRecordingReports(recorder_);
    }

private:
    void Print(Clock::time_point moment, const std::string& text) const
    {
        std::printf("%10.3f s  %s\n", std::chrono::duration<double>(moment - start_).count(),
                    text.c_str());
    }

    void Handle(const DataRecord& record)
    {
        const auto* timecode = std::get_if<TimecodeRecord>(&record.body);
        if (!timecode)
            return Print(record.arrival, DataRecordText(record));
        boxes_.AddTimecode(*timecode);
        if (showTimecode_.Take(timecode->deviceId))
            Print(record.arrival, TimecodeRecordText(*timecode));
    }

    void Handle(const AnalogueFault& fault)
    {
        boxes_.AddFault(fault);
        Print(fault.arrival, "fault: " + AnalogueFaultText(fault));
    }

    void Handle(const AnalogueFrame& frame)
    {
        boxes_.AddFrame(frame);
        recorder_.Add(frame);
        if (!showAnalogue_.Take(frame.record.deviceId))
            return;
        for (const std::string& line : AnalogueFrameLines(frame, kShownSamples))
            std::printf("%s\n", line.c_str());
    }

    // A frame left incomplete when the run ends was cut by the end, not lost.
    void Handle(const StreamFault& fault)
    {
        statistics_.AddFault(fault);
        if (!finishing_)
            losses_.AddFault(fault);
        Print(fault.arrival, "fault: " + StreamFaultText(fault));
    }

    void Handle(const CameraFrame& frame)
    {
        statistics_.AddFrame(frame);
        losses_.AddFrame(frame);
        recorder_.Add(frame);
        if (!showCamera_.Take(frame.deviceId))
            return;
        for (const std::string& line : CameraFrameLines(frame))
            std::printf("%s\n", line.c_str());
    }

    // A fault found at the end is reported as of now.
    template <typename Event> void HandleLate(Event& event)
    {
        event.arrival = Clock::now();
        Handle(event);
    }

    void Report(Clock::time_point now, double seconds)
    {
        for (const std::string& line : statistics_.TakeRateLines(seconds))
            Print(now, line);
        for (const std::string& line : boxes_.TakeRateLines(seconds))
            Print(now, line);
    }

    void Finish()
    {
        finishing_ = true;
        for (MonitorEvent& fault : monitor_.FlushIncomplete())
            std::visit([this](auto& happened) { HandleLate(happened); }, fault);
        if (statistics_.Empty() && boxes_.Empty())
            return;
        Print(Clock::now(), "totals:");
        for (const std::string& line : statistics_.TotalLines())
            std::printf("  %s\n", line.c_str());
        for (const std::string& line : boxes_.TotalLines())
            std::printf("  %s\n", line.c_str());
        if (statistics_.Empty())
            return;
        std::printf("losses:\n");
        for (const std::string& line : losses_.TotalLines())
            std::printf("  %s\n", line.c_str());
    }

    DataPortMonitor& monitor_;
    TrialRecorder& recorder_;
    FrameChoice showCamera_;
    FrameChoice showAnalogue_;
    FrameChoice showTimecode_;
    StreamStatistics statistics_;
    LossStatistics losses_;
    BoxStatistics boxes_;
    bool finishing_ = false;
    const Clock::time_point start_ = Clock::now();
};

void PrintEndpoints(const DataPortMonitor& monitor)
{
    const auto& listeners = monitor.Listeners();
    std::printf("listening on %s\n", EndpointText(listeners.front()->LocalEndpoint()).c_str());
    for (auto listener = listeners.begin() + 1; listener != listeners.end(); ++listener)
        std::printf("listening for the %s on %s\n", CameraStreamName((*listener)->Stream()),
                    EndpointText((*listener)->LocalEndpoint()).c_str());
    if (const DataPortListener* timecode = monitor.TimecodeListener())
        std::printf("listening for timecode on %s\n",
                    EndpointText(timecode->LocalEndpoint()).c_str());
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
    const std::optional<std::string> recordX2D = arguments.TakeOption("--record-x2d");
    const std::optional<std::string> recordX1D = arguments.TakeOption("--record-x1d");
    const Clock::duration limit =
        seconds ? ToDuration(ParseSeconds(*seconds)) : Clock::duration::max();
    arguments.ExpectNothingElse();
    DataPortMonitor monitor(hal, port);
    // Held back before the first line, so whoever waits for it can stop the run cleanly.
    const StopSignals stop;
    PrintEndpoints(monitor);
    TrialRecorder recorder(recordX2D, recordX1D);
    return Listening(monitor, show, recorder).Run(limit, stop) ? 0 : 1;
}
} // namespace HalProbe
