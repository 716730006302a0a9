#include "tools/trialtool/ComparedTrial.h"

#include "tools/trialtool/X1DComparedTrial.h"
#include "tools/trialtool/X2DComparedTrial.h"

namespace TrialTool
{
std::unique_ptr<ComparedTrial> MakeComparedTrial(TrialKind kind)
{
    if (kind == TrialKind::X1D)
        return std::make_unique<X1DComparedTrial>();
    return std::make_unique<X2DComparedTrial>();
}

std::vector<std::uint32_t> FitIdentifiers(std::vector<std::uint32_t> described, std::size_t devices)
{
    for (std::size_t position = described.size(); position < devices; ++position)
        described.push_back(std::uint32_t(position));
    described.resize(devices);
    return described;
}

std::string JoinReaderErrors(const std::vector<std::string>& errors, const char* fallback)
{
    std::string text;
    for (const std::string& error : errors)
        text += (text.empty() ? "" : "; ") + error;
    return text.empty() ? fallback : text;
}
} // namespace TrialTool
