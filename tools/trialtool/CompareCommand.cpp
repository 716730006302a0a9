#include "tools/trialtool/CommandLine.h"
#include "tools/trialtool/Commands.h"
#include "tools/trialtool/ProgressLine.h"
#include "tools/trialtool/TrialComparison.h"
#include "tools/trialtool/TrialOpener.h"
#include "tools/trialtool/UsageError.h"
#include "tools/trialtool/ValueParsing.h"

#include <exception>
#include <sstream>

namespace TrialTool
{
const char* const kCompareUsage =
    "Usage: trialtool compare A B [--tolerance T] [--max-differences N] [--replay]\n"
    "Compares two X2D files or two X1D files, one frame at a time. Devices (cameras, boxes)\n"
    "are matched by identifier, frames by frame number. Prints one line per difference: a\n"
    "device or frame that is missing in B or only in B, and per device and frame the first\n"
    "item that differs, for example\n"
    "  camera 1001 frame 57: centroid 3 x 120.5 vs 120.25\n"
    "(A's value first), then a summary: \"identical\" or \"different\" with the devices,\n"
    "frames and items (X2D: centroids, tracks, greyscale lines, edge pairs; X1D: samples)\n"
    "compared. Greyscale lines are compared ordered by row and column and edge pairs by e1\n"
    "and e0, without their blobs. Exit codes: 0 identical, 1 different, 2 a command line\n"
    "it cannot use or a file it cannot read.\n"
    "  --tolerance T         centroid positions, radii and qualities, track weights and\n"
    "                        samples may differ by up to T (default 0); 0.004 covers the\n"
    "                        1/256 pixel to which cameras send centroids\n"
    "  --max-differences N   stop after N differences (default 20)\n"
    "  --replay              B is a recording of a replay of A (halprobe listen\n"
    "                        --record-x2d/--record-x1d of briselCL -x2d/-x1d A): frame N of\n"
    "                        B is compared with A's frame at index N mod (A's frame count),\n"
    "                        the one the replay sends; a camera that sent nothing in B's\n"
    "                        first frame or where A loops round (index 0) is what the replay\n"
    "                        sends there; a gap in B's frame numbers is missing frames; the\n"
    "                        boxes of an X1D file A are those briselCL makes of it, DeviceID\n"
    "                        0x02000001 on in file order\n";

namespace
{
constexpr int kIdentical = 0;
constexpr int kDifferent = 1;
constexpr int kCannotCompare = 2;

double ParseTolerance(const std::optional<std::string>& text)
{
    if (!text)
        return 0.0;
    std::istringstream stream(*text);
    double value = -1.0;
    stream >> value;
    if (!stream || !stream.eof() || value < 0.0)
        throw UsageError("--tolerance needs a number of 0 or more, not '" + *text + "'");
    return value;
}

ComparisonOptions ReadOptions(const CommandLine& line)
{
    ComparisonOptions options;
    options.tolerance = ParseTolerance(line.Option("--tolerance"));
    options.maxDifferences = std::uint64_t(
        ParseInteger(line.Option("--max-differences"), "--max-differences", 1, 1000000000, 20));
    options.replay = line.Option("--replay").has_value();
    return options;
}

std::unique_ptr<ComparedTrial> OpenCompared(const std::string& path, TrialKind kind,
                                            std::ostream& err)
{
    std::unique_ptr<ComparedTrial> trial = MakeComparedTrial(kind);
    std::string error;
    if (trial->Open(path, error))
        return trial;
    err << "trialtool compare: cannot open '" << path << "': " << error << "\n";
    return nullptr;
}

void PrintSummary(const ComparedTrial& a, const ComparisonCounts& counts, std::ostream& out)
{
    if (counts.stopped)
        out << "stopped after " << counts.differences << " differences\n";
    out << (counts.differences == 0 ? "identical: " : "different: ");
    if (counts.differences > 0)
        out << counts.differences << " differences; ";
    const std::string noun = a.DeviceNoun();
    const char* plural = counts.devices == 1 ? "" : noun == "box" ? "es" : "s";
    out << counts.devices << " " << noun << plural << ", " << counts.frames << " frames, "
        << counts.items << " " << a.ItemNoun() << " compared";
    if (counts.wrapFrames > 0)
        out << ", " << counts.wrapFrames << " frames sent without items where the replay loops";
    out << "\n";
}

int Compare(ComparedTrial& a, ComparedTrial& b, const ComparisonOptions& options, std::ostream& out,
            std::ostream& err)
{
    TrialComparison comparison(a, b, options, out);
    std::string error;
    bool read = false;
    {
        const std::uint64_t total = (options.replay ? b : a).FrameNumbers().size();
        ProgressLine progress(err, IsTerminal(err), "compare", total);
        read = comparison.Run(progress, error);
    }
    if (!read)
    {
        err << "trialtool compare: cannot read " << error << "\n";
        return kCannotCompare;
    }
    PrintSummary(a, comparison.Counts(), out);
    return comparison.Counts().differences == 0 ? kIdentical : kDifferent;
}
} // namespace

int RunCompare(const Words& words, std::ostream& out, std::ostream& err)
{
    const CommandLine line(words, {"--tolerance", "--max-differences"}, {"--replay"});
    const std::vector<std::string>& paths = line.Positionals(2);
    const ComparisonOptions options = ReadOptions(line);
    const std::unique_ptr<TrialReport> reportA = OpenTrial(paths[0], err);
    const std::unique_ptr<TrialReport> reportB = reportA ? OpenTrial(paths[1], err) : nullptr;
    if (!reportA || !reportB)
        return kCannotCompare;
    if (reportA->Kind() != reportB->Kind())
    {
        err << "trialtool compare: '" << paths[0] << "' is " << KindName(reportA->Kind())
            << " but '" << paths[1] << "' is " << KindName(reportB->Kind()) << "\n";
        return kCannotCompare;
    }
    const std::unique_ptr<ComparedTrial> a = OpenCompared(paths[0], reportA->Kind(), err);
    const std::unique_ptr<ComparedTrial> b =
        a ? OpenCompared(paths[1], reportA->Kind(), err) : nullptr;
    if (!a || !b)
        return kCannotCompare;
    try
    {
        return Compare(*a, *b, options, out, err);
    }
    catch (const std::exception& error)
    {
        // A damaged file can claim sizes no allocation can meet.
        err << "trialtool compare: " << error.what() << "\n";
        return kCannotCompare;
    }
}
} // namespace TrialTool
