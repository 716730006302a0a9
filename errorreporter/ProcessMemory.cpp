#include "errorreporter/ProcessMemory.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/uio.h>
#include <unistd.h>

namespace QeltErrorReporting
{
bool ParseMappingLine(const std::string& line, MemoryMapping& mapping)
{
    char permissions[5] = {};
    int pathStart = 0;
    if (std::sscanf(line.c_str(), "%" SCNx64 "-%" SCNx64 " %4s %" SCNx64 " %*s %*s %n",
                    &mapping.start, &mapping.end, permissions, &mapping.fileOffset,
                    &pathStart) < 4 ||
        pathStart == 0)
        return false;
    mapping.readable = permissions[0] == 'r';
    mapping.path = line.substr(std::size_t(pathStart));
    return mapping.start < mapping.end;
}

std::vector<MemoryMapping> ReadMappings(pid_t processID)
{
    std::vector<MemoryMapping> mappings;
    std::ifstream maps("/proc/" + std::to_string(processID) + "/maps");
    std::string line;
    while (std::getline(maps, line))
    {
        MemoryMapping mapping;
        if (ParseMappingLine(line, mapping))
            mappings.push_back(mapping);
    }
    return mappings;
}

const MemoryMapping* FindMapping(const std::vector<MemoryMapping>& mappings, std::uint64_t address)
{
    for (const MemoryMapping& mapping : mappings)
    {
        if (mapping.start <= address && address < mapping.end)
            return &mapping;
    }
    return nullptr;
}

std::size_t ProcessMemory::ReadSome(std::uint64_t address, std::uint8_t* out,
                                    std::size_t size) const
{
    iovec local = {out, size};
    iovec remote = {reinterpret_cast<void*>(address), size};
    const ssize_t read = ::process_vm_readv(processID_, &local, 1, &remote, 1, 0);
    if (read > 0)
        return std::size_t(read);
    const std::string path = "/proc/" + std::to_string(processID_) + "/mem";
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return 0;
    const ssize_t fromFile = ::pread(file, out, size, off_t(address));
    ::close(file);
    return fromFile > 0 ? std::size_t(fromFile) : 0;
}

std::vector<std::uint8_t> ProcessMemory::Read(std::uint64_t address, std::size_t size) const
{
    std::vector<std::uint8_t> bytes(size);
    std::size_t done = 0;
    while (done < size)
    {
        const std::size_t read = ReadSome(address + done, bytes.data() + done, size - done);
        if (read == 0)
            break;
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

bool ProcessMemory::ReadExactly(std::uint64_t address, void* out, std::size_t size) const
{
    const std::vector<std::uint8_t> bytes = Read(address, size);
    if (bytes.size() != size)
        return false;
    std::copy(bytes.begin(), bytes.end(), static_cast<std::uint8_t*>(out));
    return true;
}
} // namespace QeltErrorReporting
