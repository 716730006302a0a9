#pragma once
// halprobe's mistakes on the command line are the tools' shared UsageError.

#include "tools/common/UsageError.h"

namespace HalProbe
{
using ToolSupport::UsageError;
} // namespace HalProbe
