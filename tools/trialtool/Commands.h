#pragma once
// The sub-commands of trialtool. Each takes the words after its name, writes its results on
// `out` and its complaints on `err`, and returns the exit code: 0 done, 1 a file that cannot
// be read or written. A command line it cannot use throws UsageError. Reentrant.

#include <ostream>
#include <string>
#include <vector>

namespace TrialTool
{
using Words = std::vector<std::string>;

extern const char* const kInfoUsage;
extern const char* const kDumpUsage;
extern const char* const kMakeX1DUsage;
extern const char* const kMakeX2DUsage;
extern const char* const kCompareUsage;

int RunInfo(const Words& words, std::ostream& out, std::ostream& err);
int RunDump(const Words& words, std::ostream& out, std::ostream& err);
int RunMakeX1D(const Words& words, std::ostream& out, std::ostream& err);
int RunMakeX2D(const Words& words, std::ostream& out, std::ostream& err);
// Exit code 0 identical, 1 different, 2 a file that cannot be read.
int RunCompare(const Words& words, std::ostream& out, std::ostream& err);
} // namespace TrialTool
