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

std::string JoinReaderErrors(const std::vector<std::string>& errors, const char* fallback)
{
    std::string text;
    for (const std::string& error : errors)
        text += (text.empty() ? "" : "; ") + error;
    return text.empty() ? fallback : text;
}
} // namespace TrialTool
