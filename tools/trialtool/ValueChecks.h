#pragma once
// The checks "compare" makes of two values: counts and whole numbers must be equal, measured
// values may differ by the tolerance. Each gives the difference as text, or nothing. Reentrant.

#include "tools/trialtool/ComparedTrial.h"

#include <cstdint>
#include <optional>
#include <string>

namespace TrialTool
{
std::optional<ItemDifference> CheckEqual(const std::string& what, std::int64_t mine,
                                         std::int64_t theirs);
// Equal when |mine - theirs| <= tolerance.
std::optional<ItemDifference> CheckClose(const std::string& what, double mine, double theirs,
                                         double tolerance);
} // namespace TrialTool
