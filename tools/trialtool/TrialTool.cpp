#include "tools/trialtool/TrialTool.h"

#include "tools/trialtool/Commands.h"
#include "tools/trialtool/UsageError.h"

#include <algorithm>
#include <exception>

namespace TrialTool
{
const char* const kToolUsage =
    "Usage: trialtool COMMAND [ARGUMENTS]\n"
    "Inspects recorded trial files (X1D analogue data, X2D camera data) and writes synthetic\n"
    "ones for briselCL to replay.\n"
    "Commands:\n"
    "  info FILE               kind, version, devices or cameras, frames, rate, timecode\n"
    "  dump FILE --frame N     the contents of frame number N\n"
    "  make-x2d OUT [OPTIONS]  write a synthetic camera recording\n"
    "  make-x1d OUT [OPTIONS]  write a synthetic analogue recording\n"
    "  compare A B [OPTIONS]   compare two files of one kind, or a recording of a replay\n"
    "                          with what was replayed\n"
    "\"trialtool COMMAND --help\" describes a command. Exit codes: 0 done, 1 a file that\n"
    "cannot be read or written, 2 a command line it cannot use.\n";

namespace
{
struct Command
{
    const char* name;
    const char* usage;
    int (*run)(const Words&, std::ostream&, std::ostream&);
};

const Command kCommands[] = {
    {"info", kInfoUsage, RunInfo},           {"dump", kDumpUsage, RunDump},
    {"make-x2d", kMakeX2DUsage, RunMakeX2D}, {"make-x1d", kMakeX1DUsage, RunMakeX1D},
    {"compare", kCompareUsage, RunCompare},
};

bool AsksForHelp(const Words& words)
{
    return std::any_of(words.begin(), words.end(),
                       [](const std::string& word) { return word == "--help" || word == "-h"; });
}

const Command* FindCommand(const std::string& name)
{
    for (const Command& command : kCommands)
        if (name == command.name)
            return &command;
    return nullptr;
}

int RunCommand(const Command& command, const Words& words, std::ostream& out, std::ostream& err)
{
    if (AsksForHelp(words))
    {
        out << command.usage;
        return 0;
    }
    try
    {
        return command.run(words, out, err);
    }
    catch (const UsageError& error)
    {
        err << "trialtool " << command.name << ": " << error.what() << " (see trialtool "
            << command.name << " --help)\n";
        return 2;
    }
}
} // namespace

int RunTrialTool(const std::vector<std::string>& words, std::ostream& out, std::ostream& err)
{
    if (words.empty())
    {
        err << "trialtool: no command given (see trialtool --help)\n";
        return 2;
    }
    if (words[0] == "--help" || words[0] == "-h")
    {
        out << kToolUsage;
        return 0;
    }
    const Command* command = FindCommand(words[0]);
    if (command == nullptr)
    {
        err << "trialtool: unknown command '" << words[0] << "' (see trialtool --help)\n";
        return 2;
    }
    try
    {
        return RunCommand(*command, Words(words.begin() + 1, words.end()), out, err);
    }
    catch (const std::exception& error)
    {
        // A damaged file can claim sizes no allocation can meet.
        err << "trialtool " << command->name << ": " << error.what() << "\n";
        return 1;
    }
}
} // namespace TrialTool
