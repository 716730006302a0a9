#include "tools/halprobe/PlayCommand.h"

#include "tools/halprobe/BroadcastDatagrams.h"
#include "tools/halprobe/FrameSink.h"
#include "tools/halprobe/MonitorLoop.h"
#include "tools/halprobe/RigDiscovery.h"
#include "tools/halprobe/RigSessions.h"
#include "tools/halprobe/RigStatistics.h"
#include "tools/halprobe/SocketAddress.h"
#include "tools/halprobe/SyncMaster.h"
#include "tools/halprobe/TrialRecorder.h"
#include "tools/halprobe/UsageError.h"

#include <cstdio>
#include <numeric>

namespace HalProbe
{
const char* const kPlayUsage =
    "Usage: halprobe play --hal IP [--seconds S] [--rate HZ] [--master ID|auto] [--port PORT]\n"
    "                     [--discover SECONDS] [--camera-command TEXT]... [--box-command TEXT]...\n"
    "                     [--record-x2d FILE] [--record-x1d FILE]\n"
    "Plays the HAL against a running briselCL: finds the devices from their announcements on\n"
    "UDP IP:8570 (resetting them all when their awake packets, which give their Ports, were\n"
    "missed), opens every device's command session and sends \"notify\", \"datadisable false\"\n"
    "and \"portset\" so that all stream to IP:PORT (and PORT + 1000, + 2000, + 5000), makes one\n"
    "device sync master with the MASTER broadcast and shows, once a second and per device,\n"
    "frames/s, datagrams/s, kB/s, the frames' lateness (mean and max in ms) and the frames\n"
    "skipped; at the end a table of the totals and a verdict. The rig then runs free again\n"
    "(MASTER none) and the sessions are closed.\n"
    "Lateness: frame N belongs at t0 + N / HZ, with t0 as early as the frames received allow;\n"
    "a frame's lateness is how much later it came. Skipped: frame numbers missing between\n"
    "consecutive frames of a stream.\n"
    "  --seconds S          how long to stream (default 10); Ctrl-C or SIGTERM stop earlier\n"
    "  --rate HZ            the frame rate the master runs at (default 100)\n"
    "  --master ID|auto     the sync master (decimal or 0x hexadecimal); auto (the default)\n"
    "                       takes the first network box, or the first camera without one\n"
    "  --port PORT          the HAL's data port (default 5000)\n"
    "  --discover SECONDS   how long to listen for announcements at most (default 2)\n"
    "  --camera-command TEXT, --box-command TEXT\n"
    "                       a command to send every camera or every network box once it is\n"
    "                       readied, before the master starts (repeat for more; replies are\n"
    "                       printed), e.g. --box-command \"samplerate -s 0 5 1350\"\n"
    "  --record-x2d FILE    record every whole camera frame into the X2D file FILE\n"
    "  --record-x1d FILE    record every analogue frame into the X1D file FILE (as with\n"
    "                       \"halprobe listen\"; compare them with \"trialtool compare\")\n"
    "Exits with 0 when every device streamed, 1 when none was found, a session failed, a\n"
    "device sent no frame or a recording could not be written.\n";

namespace
{
constexpr const char* kDefaultDataPort = "5000";
constexpr auto kSessionTimeout = std::chrono::seconds(5);

struct PlayOptions
{
    std::string hal;
    double seconds = 0.0;
    double rateHz = 0.0;
    std::optional<std::uint32_t> master; // none: auto
    std::uint16_t dataPort = 0;
    double discoverSeconds = 0.0;
    DeviceCommands commands;
    std::optional<std::string> recordX2D;
    std::optional<std::string> recordX1D;
};

std::optional<std::uint32_t> ParseMaster(const std::string& text)
{
    if (text == "auto")
        return std::nullopt;
    return ParseDeviceId(text);
}

PlayOptions ParsePlayOptions(ArgumentList& arguments)
{
    PlayOptions options;
    options.hal = arguments.TakeRequiredOption("--hal");
    options.seconds = ParseSeconds(arguments.TakeOption("--seconds").value_or("10"));
    options.rateHz = ParseRate(arguments.TakeOption("--rate").value_or("100"));
    options.master = ParseMaster(arguments.TakeOption("--master").value_or("auto"));
    options.dataPort = ParsePort(arguments.TakeOption("--port").value_or(kDefaultDataPort));
    options.discoverSeconds = ParseSeconds(arguments.TakeOption("--discover").value_or("2"));
    options.commands.camera = arguments.TakeRepeatedOption("--camera-command");
    options.commands.box = arguments.TakeRepeatedOption("--box-command");
    options.recordX2D = arguments.TakeOption("--record-x2d");
    options.recordX1D = arguments.TakeOption("--record-x1d");
    arguments.ExpectNothingElse();
    if (options.rateHz <= 0.0)
        throw UsageError("the frame rate must be above 0");
    return options;
}

PlayStream StreamOf(CameraStream stream)
{
    switch (stream)
    {
    case CameraStream::Centroid:
        return PlayStream::Centroid;
    case CameraStream::Greyscale:
        return PlayStream::Greyscale;
    case CameraStream::Combined:
        return PlayStream::Combined;
    }
    return PlayStream::Centroid;
}

std::size_t Sum(const std::vector<std::size_t>& sizes)
{
    return std::accumulate(sizes.begin(), sizes.end(), std::size_t(0));
}

// Hands what the data ports deliver to the statistics and every frame to the sinks.
class Playing
{
public:
    Playing(DataPortMonitor& monitor, RigStatistics& statistics,
            const std::vector<FrameSink*>& sinks)
        : monitor_(monitor), statistics_(statistics), sinks_(sinks)
    {
    }

    // The seconds it ran.
    double Run(Clock::duration limit, const StopSignals& stop)
    {
        RunMonitorLoop(
            monitor_, start_, limit, stop,
            [this](MonitorEvent& event)
            { std::visit([this](const auto& happened) { Handle(happened); }, event); },
            [this](Clock::time_point now, double seconds) { Report(now, seconds); });
        return std::chrono::duration<double>(Clock::now() - start_).count();
    }

private:
    void Handle(const CameraFrame& frame)
    {
        statistics_.AddFrame(frame.deviceId, StreamOf(frame.stream), frame.frameNumber,
                             frame.arrival, frame.DatagramCount(), Sum(frame.datagramSizes));
        for (FrameSink* sink : sinks_)
            sink->OnCameraFrame(frame);
    }

    // The frame record travels as a datagram of its own after the samples.
    void Handle(const AnalogueFrame& frame)
    {
        statistics_.AddFrame(frame.record.deviceId, PlayStream::Analogue, frame.record.frameNumber,
                             frame.arrival, frame.datagramSizes.size() + 1,
                             Sum(frame.datagramSizes) +
                                 KnownRecordLength(RecordType::kAnalogueFrame));
        for (FrameSink* sink : sinks_)
            sink->OnAnalogueFrame(frame);
    }

    void Handle(const DataRecord& record)
    {
        if (const auto* timecode = std::get_if<TimecodeRecord>(&record.body))
            return statistics_.AddFrame(timecode->deviceId, PlayStream::Timecode,
                                        timecode->frameNumber, record.arrival, 1,
                                        record.bytes.size());
        if (record.header)
            statistics_.AddDatagram(record.header->deviceId, record.bytes.size());
    }

    void Handle(const StreamFault& fault) { statistics_.AddFault(fault.deviceId); }
    void Handle(const AnalogueFault& fault) { statistics_.AddFault(fault.deviceId); }

    void Report(Clock::time_point now, double seconds)
    {
        const double since = std::chrono::duration<double>(now - start_).count();
        for (const std::string& line : statistics_.TakeRateLines(seconds))
            std::printf("%5.1f s  %s\n", since, line.c_str());
    }

    DataPortMonitor& monitor_;
    RigStatistics& statistics_;
    const std::vector<FrameSink*>& sinks_;
    const Clock::time_point start_ = Clock::now();
};

void PrintUnavailable(const DataPortMonitor& monitor)
{
    for (const std::string& note : monitor.Unavailable())
        std::fprintf(stderr, "halprobe: %s\n", note.c_str());
}

void PrintRig(const RigSurvey& rig)
{
    std::printf("found %zu devices%s:", rig.devices.size(),
                rig.reset ? " (reset them to learn their Ports)" : "");
    for (const RigDevice& device : rig.devices)
        std::printf(" %s (Port %u)", RigDeviceName(device).c_str(), unsigned(device.port));
    std::printf("\n");
}

void PrintTotals(const RigStatistics& statistics, double seconds)
{
    std::printf("totals over %.1f s:\n", seconds);
    for (const std::string& line : statistics.TotalLines(seconds))
        std::printf("  %s\n", line.c_str());
}

// Readies the sessions, runs the rig from `master` and lets it run free again.
double Stream(const PlayOptions& options, const RigSurvey& rig, const RigDevice& master,
              RigStatistics& statistics, DataPortMonitor& monitor, TrialRecorder& recorder,
              const StopSignals& stop)
{
    const RigSessions sessions(rig.devices, options.dataPort, options.commands, kSessionTimeout);
    for (const std::string& reply : sessions.Replies())
        std::printf("%s\n", reply.c_str());
    const SyncMaster clock(options.hal, rig.devices, master.deviceId, options.rateHz);
    std::printf("%s is sync master at %g Hz; every device streams to %s:%u for %g s\n",
                RigDeviceName(master).c_str(), options.rateHz, options.hal.c_str(),
                unsigned(options.dataPort), options.seconds);
    std::vector<FrameSink*> sinks;
    if (!recorder.Empty())
        sinks.push_back(&recorder);
    return Playing(monitor, statistics, sinks).Run(ToDuration(options.seconds), stop);
}
} // namespace

int RunPlay(ArgumentList& arguments)
{
    const PlayOptions options = ParsePlayOptions(arguments);
    // Held back from here on, so Ctrl-C ends the run cleanly: the rig runs free again.
    const StopSignals stop;
    DataPortMonitor monitor(options.hal, options.dataPort);
    PrintUnavailable(monitor);
    std::printf("looking for devices on %s:%u for up to %g s\n", options.hal.c_str(),
                unsigned(kAnnouncementPort), options.discoverSeconds);
    const RigSurvey rig = RigDiscovery(options.hal).Discover(ToDuration(options.discoverSeconds));
    if (rig.devices.empty())
    {
        std::fprintf(stderr,
                     "halprobe: no device announced itself to %s:%u within %g s; is briselCL "
                     "running with -halip %s?\n",
                     options.hal.c_str(), unsigned(kAnnouncementPort), options.discoverSeconds,
                     options.hal.c_str());
        return 1;
    }
    PrintRig(rig);
    const RigDevice& master = ChooseSyncMaster(rig.devices, options.master);
    RigStatistics statistics(options.rateHz, rig.devices);
    TrialRecorder recorder(options.recordX2D, options.recordX1D);
    const double seconds = Stream(options, rig, master, statistics, monitor, recorder, stop);
    PrintTotals(statistics, seconds);
    if (!PrintRecordingReports(recorder))
        return 1;
    const PlayVerdict verdict = statistics.Verdict();
    if (!verdict.allStreamed)
    {
        std::fprintf(stderr, "halprobe: %s\n", verdict.text.c_str());
        return 1;
    }
    std::printf("%s\n", verdict.text.c_str());
    return 0;
}
} // namespace HalProbe
