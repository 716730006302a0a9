#include "tools/trialtool/ValueChecks.h"

#include <cmath>
#include <sstream>

namespace TrialTool
{
namespace
{
// Enough digits that two different doubles never print alike.
std::string Exact(double value)
{
    std::ostringstream text;
    text.precision(17);
    text << value;
    return text.str();
}
} // namespace

std::optional<ItemDifference> CheckEqual(const std::string& what, std::int64_t mine,
                                         std::int64_t theirs)
{
    if (mine == theirs)
        return std::nullopt;
    return ItemDifference{what, std::to_string(mine), std::to_string(theirs)};
}

std::optional<ItemDifference> CheckClose(const std::string& what, double mine, double theirs,
                                         double tolerance)
{
    if (std::fabs(mine - theirs) <= tolerance)
        return std::nullopt;
    return ItemDifference{what, Exact(mine), Exact(theirs)};
}
} // namespace TrialTool
