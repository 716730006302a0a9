#include "tools/trialtool/TrialKind.h"

#include <algorithm>
#include <cctype>

namespace TrialTool
{
namespace
{
std::string LowerExtension(const std::string& path)
{
    const std::size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.')
        return "";
    std::string extension = path.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}
} // namespace

const char* KindName(TrialKind kind)
{
    return kind == TrialKind::X1D ? "X1D" : "X2D";
}

std::vector<TrialKind> CandidateKinds(const std::string& path)
{
    const std::string extension = LowerExtension(path);
    if (extension == ".x1d")
        return {TrialKind::X1D};
    if (extension == ".x2d")
        return {TrialKind::X2D};
    return {TrialKind::X2D, TrialKind::X1D};
}
} // namespace TrialTool
