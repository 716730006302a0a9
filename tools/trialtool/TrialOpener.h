#pragma once
// Opens a trial file with the reader its name suggests, or with each reader in turn when
// the name does not say. Reentrant.

#include "tools/trialtool/TrialReport.h"

#include <memory>
#include <ostream>
#include <string>

namespace TrialTool
{
// Null when no reader opens the file; each reader's errors are then printed on `err`.
std::unique_ptr<TrialReport> OpenTrial(const std::string& path, std::ostream& err);
} // namespace TrialTool
