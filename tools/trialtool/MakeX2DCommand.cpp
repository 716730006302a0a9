#include "tools/trialtool/CommandLine.h"
#include "tools/trialtool/Commands.h"
#include "tools/trialtool/ProgressLine.h"
#include "tools/trialtool/UsageError.h"
#include "tools/trialtool/ValueParsing.h"
#include "tools/trialtool/X2DSynthesizer.h"

#include "FileIO/X2DIO/Timecode.h"

#include <cmath>
#include <sstream>

namespace TrialTool
{
const char* const kMakeX2DUsage =
    "Usage: trialtool make-x2d OUT [--cameras N] [--frames N] [--rate HZ] [--centroids N]\n"
    "         [--tracks N] [--blobs N] [--edges N] [--type NAME] [--sensor WxH]\n"
    "         [--timecode \"H M S F SUB FIELD STD SPF\"] [--version 2|3]\n"
    "Writes a synthetic X2D recording to OUT: --cameras cameras (default 3; identifiers\n"
    "1001 on, named lume:1001 and so on) of type --type (default LumeD) with a --sensor\n"
    "sensor (default 2352x1728), and --frames frames (default 100, numbered from 1) at\n"
    "--rate Hz (default 100). Per camera and frame: --centroids markers (default 4) moving\n"
    "on circles, --tracks tracks with stable identifiers (default: as many as centroids),\n"
    "--blobs small greyscale blobs (default 2) and --edges edge pairs (default 2).\n"
    "--timecode stores a start timecode: hours, minutes, seconds, frames, subframe, field\n"
    "flag, standard (0 = 25, 1 = 30, 2 = 29.97 drop-frame, 3 = 24 frames/s) and subframes\n"
    "per frame, for example \"10 0 0 0 0 0 0 1\"; one that is not valid at the rate is\n"
    "stored with a warning. --version 2 writes the older layout with 32-bit offsets\n"
    "(default 3).\n";

namespace
{
constexpr double kTicksPerSecond = 135000000.0;

std::uint32_t Count(const CommandLine& line, const char* option, std::int64_t high,
                    std::int64_t fallback)
{
    return std::uint32_t(ParseInteger(line.Option(option), option, 0, high, fallback));
}

// Eight whole numbers; the reader decides what they mean.
std::string CheckTimecodeText(const std::string& text)
{
    std::istringstream words(text);
    std::string word;
    int count = 0;
    while (words >> word)
    {
        ParseInteger(word, "--timecode", 0, 0xFFFFFFFFLL);
        ++count;
    }
    if (count != 8)
        throw UsageError("--timecode needs eight numbers, not '" + text + "'");
    return text;
}

void ReadCameraOptions(const CommandLine& line, X2DSynthesisOptions& options)
{
    options.cameras = std::uint32_t(ParseInteger(line.Option("--cameras"), "--cameras", 1, 256, 3));
    options.typeName = line.Option("--type").value_or(options.typeName);
    if (const std::optional<std::string> sensor = line.Option("--sensor"))
    {
        const SensorSize size = ParseSensorSize(*sensor, "--sensor");
        options.sensorWidth = size.width;
        options.sensorHeight = size.height;
    }
}

X2DSynthesisOptions ReadOptions(const CommandLine& line)
{
    X2DSynthesisOptions options;
    ReadCameraOptions(line, options);
    options.frames = Count(line, "--frames", 1000000, 100);
    options.rate = ParseRate(line.Option("--rate"), "--rate", 100.0);
    options.centroids = Count(line, "--centroids", 10000, 4);
    options.tracks = Count(line, "--tracks", 10000, options.centroids);
    options.blobs = Count(line, "--blobs", 10000, 2);
    options.edges = Count(line, "--edges", 10000, 2);
    if (const std::optional<std::string> timecode = line.Option("--timecode"))
        options.timecode = CheckTimecodeText(*timecode);
    options.version = std::int32_t(ParseInteger(line.Option("--version"), "--version", 2, 3, 3));
    return options;
}

void WarnAboutTimecode(const X2DSynthesisOptions& options, std::ostream& err)
{
    const auto period = std::uint64_t(std::llround(kTicksPerSecond / options.rate));
    X2DIO::Timecode timecode;
    if (options.timecode && !timecode.Parse(*options.timecode, period))
        err << "trialtool make-x2d: warning: the start timecode \"" << *options.timecode
            << "\" is not valid at " << options.rate << " Hz\n";
}
} // namespace

int RunMakeX2D(const Words& words, std::ostream& out, std::ostream& err)
{
    const CommandLine line(words,
                           {"--cameras", "--frames", "--rate", "--centroids", "--tracks", "--blobs",
                            "--edges", "--type", "--sensor", "--timecode", "--version"});
    const std::string& path = line.Positionals(1)[0];
    const X2DSynthesisOptions options = ReadOptions(line);
    WarnAboutTimecode(options, err);
    ProgressLine progress(err, IsTerminal(err), "make-x2d", options.frames);
    const bool written = X2DSynthesizer(options).Write(
        path, {}, [&progress](std::uint32_t frames) { progress.Update(frames); });
    progress.Clear();
    if (!written)
    {
        err << "trialtool: cannot write '" << path << "'\n";
        return 1;
    }
    out << "wrote " << path << ": " << options.cameras << " cameras, " << options.frames
        << " frames at " << options.rate << " Hz\n";
    return 0;
}
} // namespace TrialTool
