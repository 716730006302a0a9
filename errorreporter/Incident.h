#pragma once
// What names a crash report: the crashed program's name and the incident ID made from it, and
// the description of the system the crash happened on. Reentrant.

#include <cstdint>
#include <ctime>
#include <string>
#include <sys/types.h>

namespace QeltErrorReporting
{
// The base name of the process's executable without its extension; empty when the process
// cannot be queried.
std::string ModuleBaseName(pid_t processID);
// "<module>-YYYYMMDD-hhmmss" for the local time `when`.
std::string MakeIncidentID(const std::string& moduleName, const std::tm& when);

// "<system> x64 <kernel release>, <n.n> GB available", at most 260 characters, where n.n is the
// size of the user address range in units of 2^30 bytes.
std::string FormatSystemDescription(const std::string& systemName, const std::string& release,
                                    std::uint64_t addressRange);
// The description of this machine: the system's name from /etc/os-release, the kernel release,
// and the user address range from the lowest mappable address to the top of user space.
std::string DescribeSystem();
} // namespace QeltErrorReporting
