#pragma once

// Names the processes that hold a file open, for the log line written when a trial file cannot
// be opened. Linux finds them through the descriptor links under /proc. Reentrant.

#include <cstddef>
#include <string>
#include <vector>

namespace UtilsIO
{

constexpr std::size_t kMaxLockingProcesses = 10;

// Image paths of up to kMaxLockingProcesses processes holding path open ("unknown process" when
// a holder's image cannot be read). Processes whose descriptors cannot be read are skipped.
std::vector<std::string> FindProcessesHoldingFile(const std::string& path);

// "Failed to memory map file '<path>' locked by processes " then " '<name>'" per name.
std::string FormatFileLockMessage(const std::string& path, const std::vector<std::string>& names);

// Logs the message at level 2 of category "UtilsIO" when at least one holder is found.
void ReportFileLock(const std::string& path);

} // namespace UtilsIO
