// halprobe: plays the HAL's side of the emulated devices' network protocols from the
// command line, to check a set-up without the host application. Exit codes: 0 done,
// 1 a network failure or nothing found, 2 a command line it cannot use.

#include "tools/halprobe/AnnouncementListener.h"
#include "tools/halprobe/ArgumentList.h"
#include "tools/halprobe/BroadcastSender.h"
#include "tools/halprobe/CommandSession.h"
#include "tools/halprobe/ListenCommand.h"
#include "tools/halprobe/PlayCommand.h"
#include "tools/halprobe/ProbeError.h"
#include "tools/halprobe/RecordText.h"
#include "tools/halprobe/ServeCgCommand.h"
#include "tools/halprobe/SocketAddress.h"
#include "tools/halprobe/UsageError.h"

#include <csignal>
#include <cstdio>
#include <functional>
#include <iostream>
#include <unistd.h>

using namespace HalProbe;

namespace
{
constexpr const char* kListUsage =
    "Usage: halprobe list --hal IP [--seconds SECONDS]\n"
    "Listens on UDP IP:8570 for SECONDS (default 3) and prints one line per device that\n"
    "announced itself: ID in hexadecimal and decimal, class, Port, the local address it\n"
    "states and its alive packets per second. The Port is known only from an awake packet,\n"
    "which a device sends when it comes up (after \"halprobe send ... reset all\", say).\n";

constexpr const char* kSendUsage =
    "Usage: halprobe send --hal IP --to IP COMMAND [ARGUMENTS]\n"
    "Sends one broadcast command from the HAL's address to UDP port 8666 of the --to\n"
    "address: a device host, a subnet broadcast address or 255.255.255.255.\n"
    "Commands:\n"
    "  master ID|none RATE [--surrogate]  make device ID sync master at RATE Hz (59.94);\n"
    "                                     none makes every device free-running\n"
    "  sync FRAME                         set every device's frame number\n"
    "  reset ID|all                       take a device (or all) down and up again\n"
    "  frame-number FRAME                 set the frame number; a master re-announces it\n"
    "  data-disable on|off                disable or enable the devices' data\n"
    "  preview ID on|off                  switch preview mode\n"
    "IDs are decimal or hexadecimal with 0x (0x02000001).\n";

constexpr const char* kSessionUsage =
    "Usage: halprobe session --device IP --port PORT [--timeout SECONDS] [COMMAND...]\n"
    "Connects to a device's command session (TCP PORT = 9000 + the device's Port),\n"
    "prints the greeting, then runs each COMMAND and prints its reply. Without commands\n"
    "it reads them from standard input, one per line. The connection and every reply\n"
    "must come within the timeout (default 3 s).\n";

int PrintSurvey(const DeviceSurvey& survey, double seconds)
{
    if (survey.UnknownCount() > 0)
        std::printf("ignored %zu datagrams of unknown layout\n", survey.UnknownCount());
    if (survey.Devices().empty())
    {
        std::fprintf(stderr, "halprobe: no device announced itself within %g s\n", seconds);
        return 1;
    }
    std::printf("%s\n", DeviceTableHeader().c_str());
    for (const auto& [deviceId, device] : survey.Devices())
        std::printf("%s\n", DeviceLine(deviceId, device).c_str());
    return 0;
}

int RunList(ArgumentList& arguments)
{
    const std::string hal = arguments.TakeRequiredOption("--hal");
    const double seconds = ParseSeconds(arguments.TakeOption("--seconds").value_or("3"));
    arguments.ExpectNothingElse();
    AnnouncementListener listener(hal);
    std::printf("listening on %s for %g s\n", EndpointText(listener.LocalEndpoint()).c_str(),
                seconds);
    return PrintSurvey(listener.Survey(ToDuration(seconds)), seconds);
}

std::uint32_t ParseDeviceOr(const std::string& text, const char* everyDevice)
{
    return text == everyDevice ? kAllDevices : ParseDeviceId(text);
}

struct BroadcastForm
{
    const char* name;
    std::size_t argumentCount;
    std::function<void(BroadcastSender&, const std::vector<std::string>&, bool surrogate)> send;
};

const std::vector<BroadcastForm>& BroadcastForms()
{
    using Words = const std::vector<std::string>&;
    static const std::vector<BroadcastForm> forms = {
        {"master", 2,
         [](BroadcastSender& sender, Words words, bool surrogate)
         { sender.Master(ParseDeviceOr(words[1], "none"), ParseRate(words[2]), surrogate); }},
        {"sync", 1,
         [](BroadcastSender& sender, Words words, bool) { sender.Sync(ParseFrame(words[1])); }},
        {"reset", 1,
         [](BroadcastSender& sender, Words words, bool)
         { sender.Reset(ParseDeviceOr(words[1], "all")); }},
        {"frame-number", 1,
         [](BroadcastSender& sender, Words words, bool)
         { sender.FrameNumber(ParseFrame(words[1])); }},
        {"data-disable", 1,
         [](BroadcastSender& sender, Words words, bool)
         { sender.DataDisable(ParseOnOff(words[1])); }},
        {"preview", 2,
         [](BroadcastSender& sender, Words words, bool)
         { sender.Preview(ParseDeviceId(words[1]), ParseOnOff(words[2])); }},
    };
    return forms;
}

const BroadcastForm& FindBroadcastForm(const std::vector<std::string>& words, bool surrogate)
{
    if (words.empty())
        throw UsageError("send needs a command");
    for (const BroadcastForm& form : BroadcastForms())
    {
        if (words.front() != form.name)
            continue;
        if (words.size() != form.argumentCount + 1)
            throw UsageError(std::string(form.name) + " takes " +
                             std::to_string(form.argumentCount) + " argument(s)");
        if (surrogate && form.name != std::string("master"))
            throw UsageError("--surrogate goes with master only");
        return form;
    }
    throw UsageError("unknown broadcast command '" + words.front() + "'");
}

int RunSend(ArgumentList& arguments)
{
    const std::string hal = arguments.TakeRequiredOption("--hal");
    const std::string target = arguments.TakeRequiredOption("--to");
    const bool surrogate = arguments.TakeFlag("--surrogate");
    const std::vector<std::string> words = arguments.TakePositionals();
    const BroadcastForm& form = FindBroadcastForm(words, surrogate);
    BroadcastSender sender(hal, target);
    form.send(sender, words, surrogate);
    std::printf("sent %s from %s to %s:%u\n", form.name, hal.c_str(), target.c_str(),
                unsigned(kBroadcastPort));
    return 0;
}

void RunAndPrint(CommandSession& session, const std::string& command, Clock::duration timeout,
                 bool echo)
{
    if (echo)
        std::printf("> %s\n", command.c_str());
    const std::string reply = session.Run(command, timeout);
    if (!reply.empty())
        std::printf("%s\n", reply.c_str());
}

std::string Trimmed(const std::string& line)
{
    const char* const space = " \t\r\n\v\f";
    const std::size_t first = line.find_first_not_of(space);
    if (first == std::string::npos)
        return "";
    return line.substr(first, line.find_last_not_of(space) - first + 1);
}

// Commands typed at a terminal are not echoed; a blank line would get no prompt back, so
// it is not sent.
void RunFromInput(CommandSession& session, Clock::duration timeout)
{
    const bool echo = !::isatty(STDIN_FILENO);
    std::string line;
    while (std::getline(std::cin, line))
        if (const std::string command = Trimmed(line); !command.empty())
            RunAndPrint(session, command, timeout, echo);
}

int RunSession(ArgumentList& arguments)
{
    const std::string device = arguments.TakeRequiredOption("--device");
    const std::uint16_t port = ParsePort(arguments.TakeRequiredOption("--port"));
    const Clock::duration timeout =
        ToDuration(ParseSeconds(arguments.TakeOption("--timeout").value_or("3")));
    const std::vector<std::string> commands = arguments.TakePositionals();
    CommandSession session(device, port, timeout);
    std::printf("%s\n", session.ReadGreeting(timeout).c_str());
    if (commands.empty())
        RunFromInput(session, timeout);
    for (const std::string& command : commands)
        RunAndPrint(session, command, timeout, true);
    return 0;
}

struct Subcommand
{
    const char* name;
    const char* summary;
    const char* usage;
    int (*run)(ArgumentList&);
};

const Subcommand kSubcommands[] = {
    {"play", "play the HAL: find the devices, run them from a sync master and show their streams",
     kPlayUsage, RunPlay},
    {"list", "list the devices that announce themselves to the HAL", kListUsage, RunList},
    {"send", "send one broadcast command", kSendUsage, RunSend},
    {"session", "talk to a device's command session", kSessionUsage, RunSession},
    {"listen", "print and count the records and camera streams a device sends to the HAL",
     kListenUsage, RunListen},
    {"serve-cg", "serve a CG stream of frame numbers for a CG client", kServeCgUsage, RunServeCg},
};

void PrintUsage()
{
    std::printf("Usage: halprobe COMMAND [OPTIONS] [ARGUMENTS]\n"
                "Plays the HAL's side of the network to check emulated devices.\n\n"
                "Commands:\n");
    for (const Subcommand& subcommand : kSubcommands)
        std::printf("  %-9s %s\n", subcommand.name, subcommand.summary);
    std::printf("\nRun \"halprobe COMMAND --help\" for the options of a command.\n");
}

bool IsHelp(const std::string& argument)
{
    return argument == "--help" || argument == "-h" || argument == "help";
}

int Dispatch(const std::vector<std::string>& arguments)
{
    if (arguments.empty())
        throw UsageError("no command given");
    if (IsHelp(arguments.front()))
    {
        PrintUsage();
        return 0;
    }
    for (const Subcommand& subcommand : kSubcommands)
    {
        if (arguments.front() != subcommand.name)
            continue;
        ArgumentList rest({arguments.begin() + 1, arguments.end()});
        if (!rest.TakeFlag("--help") && !rest.TakeFlag("-h"))
            return subcommand.run(rest);
        std::fputs(subcommand.usage, stdout);
        return 0;
    }
    throw UsageError("unknown command '" + arguments.front() + "'");
}
} // namespace

int main(int argc, char** argv)
{
    // Every line is seen at once by a reader on a pipe; a closed pipe is an error, not a kill.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::signal(SIGPIPE, SIG_IGN);
    try
    {
        return Dispatch({argv + 1, argv + argc});
    }
    catch (const UsageError& error)
    {
        std::fprintf(stderr, "halprobe: %s\nRun \"halprobe --help\" for usage.\n", error.what());
        return 2;
    }
    catch (const std::exception& error)
    {
        std::fprintf(stderr, "halprobe: %s\n", error.what());
        return 1;
    }
}
