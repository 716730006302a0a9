#include "tools/trialtool/TrialOpener.h"

#include "tools/trialtool/TrialKind.h"
#include "tools/trialtool/X1DReport.h"
#include "tools/trialtool/X2DReport.h"

#include <utility>
#include <vector>

namespace TrialTool
{
namespace
{
std::unique_ptr<TrialReport> MakeReport(TrialKind kind)
{
    if (kind == TrialKind::X1D)
        return std::make_unique<X1DReport>();
    return std::make_unique<X2DReport>();
}

void PrintOpenFailure(const std::string& path, TrialKind kind, const TrialReport& report,
                      std::ostream& err)
{
    err << "trialtool: cannot open '" << path << "' as " << KindName(kind);
    if (report.Errors().empty())
        err << " (not a file of this kind)";
    for (const std::string& error : report.Errors())
        err << "\n  " << error;
    err << "\n";
}
} // namespace

std::unique_ptr<TrialReport> OpenTrial(const std::string& path, std::ostream& err)
{
    // Kept for the message: a file that one reader opens needs no word about the others.
    std::vector<std::pair<TrialKind, std::unique_ptr<TrialReport>>> failures;
    std::unique_ptr<TrialReport> doubtful;
    for (TrialKind kind : CandidateKinds(path))
    {
        std::unique_ptr<TrialReport> report = MakeReport(kind);
        if (!report->Open(path))
            failures.emplace_back(kind, std::move(report));
        else if (report->IsSelfConsistent())
            return report;
        else if (!doubtful)
            doubtful = std::move(report);
    }
    if (doubtful)
        return doubtful;
    for (const auto& [kind, report] : failures)
        PrintOpenFailure(path, kind, *report, err);
    return nullptr;
}
} // namespace TrialTool
