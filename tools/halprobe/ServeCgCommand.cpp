#include "tools/halprobe/ServeCgCommand.h"

#include "tools/halprobe/CGStreamServer.h"
#include "tools/halprobe/StopSignals.h"

#include <cstdio>
#include <thread>

namespace HalProbe
{
const char* const kServeCgUsage =
    "Usage: halprobe serve-cg [--port PORT] [--seconds SECONDS]\n"
    "Serves a CG stream on TCP 127.0.0.1:PORT (default 801) for SECONDS (default: until\n"
    "Ctrl-C), one client at a time: it offers the stream information, frame information,\n"
    "subject, timecode and contents records and answers every frame request with the next\n"
    "frame number, counting from 1. Every second it prints the sessions so far and the\n"
    "frames answered in that second.\n";

namespace
{
constexpr auto kReportInterval = std::chrono::seconds(1);
// How often the command looks for Ctrl-C and its end.
constexpr auto kStopCheck = std::chrono::milliseconds(50);
} // namespace

int RunServeCg(ArgumentList& arguments)
{
    const std::uint16_t port = ParsePort(arguments.TakeOption("--port").value_or("801"));
    const auto seconds = arguments.TakeOption("--seconds");
    const Clock::time_point end =
        seconds ? Clock::now() + ToDuration(ParseSeconds(*seconds)) : Clock::time_point::max();
    arguments.ExpectNothingElse();
    StopSignals stop;
    VCGStreamServer server(port);
    std::printf("serving a CG stream on 127.0.0.1:%u\n", unsigned(server.GetPort()));
    unsigned reported = 0;
    for (Clock::time_point nextReport = Clock::now() + kReportInterval;
         !stop.Arrived() && Clock::now() < end;)
    {
        std::this_thread::sleep_for(kStopCheck);
        if (Clock::now() < nextReport)
            continue;
        nextReport += kReportInterval;
        const unsigned answers = server.GetAnswerCount();
        std::printf("sessions %u, frames answered %u\n", server.GetSessionCount(),
                    answers - reported);
        reported = answers;
    }
    std::printf("served %u frames in %u sessions\n", server.GetAnswerCount(),
                server.GetSessionCount());
    return 0;
}
} // namespace HalProbe
