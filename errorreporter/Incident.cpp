#include "errorreporter/Incident.h"

#include <climits>
#include <cstdio>
#include <fstream>
#include <sys/utsname.h>
#include <unistd.h>

namespace QeltErrorReporting
{
namespace
{
constexpr std::size_t kMaximumDescription = 260;
// The end of the user address range with 4-level page tables, less the guard page below it.
constexpr std::uint64_t kTopOfUserSpace = (std::uint64_t(1) << 47) - 4096;

// The value of `key` in an os-release file, unquoted; empty when absent.
std::string ReleaseValue(std::istream& release, const std::string& key)
{
    std::string line;
    while (std::getline(release, line))
    {
        if (line.compare(0, key.size() + 1, key + "=") != 0)
            continue;
        std::string value = line.substr(key.size() + 1);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\''))
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return {};
}

std::string SystemName()
{
    std::ifstream release("/etc/os-release");
    const std::string name = ReleaseValue(release, "PRETTY_NAME");
    return name.empty() ? "Linux" : name;
}

std::uint64_t LowestMappableAddress()
{
    std::ifstream minimum("/proc/sys/vm/mmap_min_addr");
    std::uint64_t address = 0;
    if (!(minimum >> address) || address == 0)
        address = 4096;
    return address;
}
} // namespace

std::string ModuleBaseName(pid_t processID)
{
    char path[PATH_MAX];
    const std::string link = "/proc/" + std::to_string(processID) + "/exe";
    const ssize_t length = ::readlink(link.c_str(), path, sizeof(path) - 1);
    if (length <= 0)
        return {};
    std::string name(path, std::size_t(length));
    // A running program whose file was replaced is shown with this suffix.
    const std::string deleted = " (deleted)";
    if (name.size() > deleted.size() &&
        name.compare(name.size() - deleted.size(), deleted.size(), deleted) == 0)
        name.resize(name.size() - deleted.size());
    name = name.substr(name.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string MakeIncidentID(const std::string& moduleName, const std::tm& when)
{
    char stamp[80];
    std::snprintf(stamp, sizeof(stamp), "-%04d%02d%02d-%02d%02d%02d", when.tm_year + 1900,
                  when.tm_mon + 1, when.tm_mday, when.tm_hour, when.tm_min, when.tm_sec);
    return moduleName + stamp;
}

std::string FormatSystemDescription(const std::string& systemName, const std::string& release,
                                    std::uint64_t addressRange)
{
    char available[64];
    std::snprintf(available, sizeof(available), ", %.1f GB available",
                  double(addressRange) / double(std::uint64_t(1) << 30));
    return (systemName + " x64 " + release + available).substr(0, kMaximumDescription);
}

std::string DescribeSystem()
{
    utsname names = {};
    const std::string release = ::uname(&names) == 0 ? names.release : "";
    return FormatSystemDescription(SystemName(), release,
                                   kTopOfUserSpace - 1 - LowestMappableAddress());
}
} // namespace QeltErrorReporting
