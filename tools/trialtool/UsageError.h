#pragma once
// trialtool's mistakes on the command line are the tools' shared UsageError.

#include "tools/common/UsageError.h"

namespace TrialTool
{
using ToolSupport::UsageError;
} // namespace TrialTool
