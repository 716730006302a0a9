#include "Utils/UtilsIO/FileLockReport.h"

#include "diagnostics/Log.h"

#include <cstdlib>
#include <dirent.h>
#include <limits.h>
#include <memory>
#include <unistd.h>

namespace UtilsIO
{

namespace
{

constexpr int kLockReportLevel = 2;

using DirectoryHandle = std::unique_ptr<DIR, int (*)(DIR*)>;

DirectoryHandle OpenDirectory(const std::string& path)
{
    return DirectoryHandle(::opendir(path.c_str()), &::closedir);
}

// Empty when the link cannot be read.
std::string ReadLink(const std::string& path)
{
    char target[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof(target));
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof(target))
    {
        return {};
    }
    return std::string(target, static_cast<std::size_t>(length));
}

std::string CanonicalPath(const std::string& path)
{
    std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

bool IsProcessId(const char* name)
{
    if (*name == '\0')
    {
        return false;
    }
    for (; *name != '\0'; ++name)
    {
        if (*name < '0' || *name > '9')
        {
            return false;
        }
    }
    return true;
}

bool ProcessHoldsFile(const std::string& processDirectory, const std::string& canonicalPath)
{
    const std::string fdDirectory = processDirectory + "/fd";
    const DirectoryHandle descriptors = OpenDirectory(fdDirectory);
    if (!descriptors)
    {
        return false;
    }
    while (const dirent* entry = ::readdir(descriptors.get()))
    {
        if (ReadLink(fdDirectory + "/" + entry->d_name) == canonicalPath)
        {
            return true;
        }
    }
    return false;
}

std::string ProcessImagePath(const std::string& processDirectory)
{
    const std::string image = ReadLink(processDirectory + "/exe");
    return image.empty() ? std::string("unknown process") : image;
}

} // namespace

std::vector<std::string> FindProcessesHoldingFile(const std::string& path)
{
    std::vector<std::string> names;
    const std::string canonicalPath = CanonicalPath(path);
    const DirectoryHandle processes = OpenDirectory("/proc");
    if (canonicalPath.empty() || !processes)
    {
        return names;
    }
    while (names.size() < kMaxLockingProcesses)
    {
        const dirent* entry = ::readdir(processes.get());
        if (entry == nullptr)
        {
            break;
        }
        const std::string processDirectory = std::string("/proc/") + entry->d_name;
        if (IsProcessId(entry->d_name) && ProcessHoldsFile(processDirectory, canonicalPath))
        {
            names.push_back(ProcessImagePath(processDirectory));
        }
    }
    return names;
}

std::string FormatFileLockMessage(const std::string& path, const std::vector<std::string>& names)
{
    std::string message = "Failed to memory map file '" + path + "' locked by processes ";
    for (const std::string& name : names)
    {
        message += " '" + name + "'";
    }
    return message;
}

void ReportFileLock(const std::string& path)
{
    static const Qelt::ILogCategorised::ICategory& category =
        Qelt::GlobalLog().GetCategory("UtilsIO");
    // The /proc scan is the costly part, so it is skipped when nobody would see the result.
    if (category.GetLevel() < kLockReportLevel)
    {
        return;
    }
    const std::vector<std::string> names = FindProcessesHoldingFile(path);
    if (!names.empty())
    {
        Qelt::GlobalLog().Write(FormatFileLockMessage(path, names), category, kLockReportLevel,
                                "UtilsIO\\MemoryMappedStream", 76);
    }
}

} // namespace UtilsIO
