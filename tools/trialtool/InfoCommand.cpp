#include "tools/trialtool/CommandLine.h"
#include "tools/trialtool/Commands.h"
#include "tools/trialtool/TrialOpener.h"

namespace TrialTool
{
const char* const kInfoUsage =
    "Usage: trialtool info FILE\n"
    "Prints what a trial file holds: its kind and version; the recorded cameras (X2D) or\n"
    "analogue devices (X1D); the number and range of frame numbers; the frame period and\n"
    "rate and the start timecode with its validity (X2D); and the errors the reader recorded.\n"
    "A name ending in .x2d is read as X2D, one ending in .x1d as X1D, any other name as\n"
    "either. Exits with 1 when the file cannot be opened.\n";

int RunInfo(const Words& words, std::ostream& out, std::ostream& err)
{
    const CommandLine line(words, {});
    const std::string& path = line.Positionals(1)[0];
    const std::unique_ptr<TrialReport> report = OpenTrial(path, err);
    if (!report)
        return 1;
    out << "file: " << path << "\n";
    report->PrintInfo(out);
    return 0;
}
} // namespace TrialTool
