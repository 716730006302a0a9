#include "tools/trialtool/CommandLine.h"
#include "tools/trialtool/Commands.h"
#include "tools/trialtool/TrialOpener.h"
#include "tools/trialtool/UsageError.h"
#include "tools/trialtool/ValueParsing.h"

#include <limits>

namespace TrialTool
{
const char* const kDumpUsage =
    "Usage: trialtool dump FILE --frame N\n"
    "Prints frame number N of a trial file (\"trialtool info\" shows the range).\n"
    "X2D: per camera its centroids (x, y, radius, quality), tracks (identifier, value,\n"
    "weight), greyscale blobs with their lines and first pixels, and edge pairs.\n"
    "X1D: per device its blocks with their sizes and first 16 bytes in hexadecimal.\n"
    "Exits with 1, saying why, when the file cannot be opened or the frame cannot be read.\n";

int RunDump(const Words& words, std::ostream& out, std::ostream& err)
{
    const CommandLine line(words, {"--frame"});
    const std::string& path = line.Positionals(1)[0];
    const std::optional<std::string> frameText = line.Option("--frame");
    if (!frameText)
        throw UsageError("--frame is required");
    const auto frame =
        std::int32_t(ParseInteger(*frameText, "--frame", std::numeric_limits<std::int32_t>::min(),
                                  std::numeric_limits<std::int32_t>::max()));
    const std::unique_ptr<TrialReport> report = OpenTrial(path, err);
    if (!report)
        return 1;
    const std::size_t earlierErrors = report->Errors().size();
    if (report->PrintFrame(frame, out))
        return 0;
    err << "trialtool: cannot read frame " << frame << " of '" << path << "'";
    const std::vector<std::string>& errors = report->Errors();
    if (errors.size() == earlierErrors)
        err << ": " << report->ExplainUnreadFrame(frame);
    for (std::size_t error = earlierErrors; error < errors.size(); ++error)
        err << "\n  " << errors[error];
    err << "\n";
    return 1;
}
} // namespace TrialTool
