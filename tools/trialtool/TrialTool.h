#pragma once
// The whole trialtool program apart from main(): picks the sub-command, answers --help, and
// turns mistakes into one-line messages and exit codes (0 done, 1 a file that cannot be read
// or written, 2 a command line it cannot use). Reentrant.

#include <ostream>
#include <string>
#include <vector>

namespace TrialTool
{
extern const char* const kToolUsage;

// `words` are the arguments after the program name.
int RunTrialTool(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);
} // namespace TrialTool
