#pragma once
// The two kinds of trial file and which of them a file name suggests. Reentrant.

#include <string>
#include <vector>

namespace TrialTool
{
enum class TrialKind
{
    X1D,
    X2D,
};

const char* KindName(TrialKind kind);
// The kinds to try: the one the extension names (in any letter case), or both when the
// extension names neither.
std::vector<TrialKind> CandidateKinds(const std::string& path);
} // namespace TrialTool
