#include "tools/trialtool/CommandLine.h"
#include "tools/trialtool/Commands.h"
#include "tools/trialtool/ProgressLine.h"
#include "tools/trialtool/ValueParsing.h"
#include "tools/trialtool/X1DSynthesizer.h"

namespace TrialTool
{
const char* const kMakeX1DUsage =
    "Usage: trialtool make-x1d OUT [--devices N] [--channels N] [--samples N] [--frames N]\n"
    "                              [--version 1|2]\n"
    "Writes a synthetic X1D recording to OUT: --devices analogue devices (default 2) with\n"
    "--channels channels each (default 4; sources 1 to N). Every frame (--frames, default\n"
    "100, numbered from 1) holds one block per device with --samples samples per channel\n"
    "(default 10) as little-endian int16: all samples of channel 1, then of channel 2, and\n"
    "so on. Channel c carries a sine of amplitude 10000 that completes c cycles every 100\n"
    "frames. --version 1 writes the older layout with 32-bit index offsets (default 2).\n";

namespace
{
X1DSynthesisOptions ReadOptions(const CommandLine& line)
{
    X1DSynthesisOptions options;
    options.devices = std::uint32_t(ParseInteger(line.Option("--devices"), "--devices", 1, 64, 2));
    options.channels =
        std::uint32_t(ParseInteger(line.Option("--channels"), "--channels", 1, 64, 4));
    options.samples =
        std::uint32_t(ParseInteger(line.Option("--samples"), "--samples", 1, 10000, 10));
    options.frames =
        std::uint32_t(ParseInteger(line.Option("--frames"), "--frames", 0, 1000000, 100));
    options.version = std::int32_t(ParseInteger(line.Option("--version"), "--version", 1, 2, 2));
    return options;
}
} // namespace

int RunMakeX1D(const Words& words, std::ostream& out, std::ostream& err)
{
    const CommandLine line(words,
                           {"--devices", "--channels", "--samples", "--frames", "--version"});
    const std::string& path = line.Positionals(1)[0];
    const X1DSynthesisOptions options = ReadOptions(line);
    ProgressLine progress(err, IsTerminal(err), "make-x1d", options.frames);
    const bool written = X1DSynthesizer(options).Write(path, [&progress](std::uint32_t frames)
                                                       { progress.Update(frames); });
    progress.Clear();
    if (!written)
    {
        err << "trialtool: cannot write '" << path << "'\n";
        return 1;
    }
    out << "wrote " << path << ": " << options.devices << " devices, " << options.channels
        << " channels, " << options.samples << " samples per channel, " << options.frames
        << " frames\n";
    return 0;
}
} // namespace TrialTool
