#pragma once
// Reads another process's memory and its map of mappings (/proc/<pid>/maps). Reads go through
// process_vm_readv, falling back to /proc/<pid>/mem for pages that call refuses (mappings the
// process itself cannot read, such as guard pages made readable for debuggers); whatever
// cannot be read is left out. Reentrant.

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace QeltErrorReporting
{
struct MemoryMapping
{
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    bool readable = false;
    std::uint64_t fileOffset = 0;
    // The mapped file, a bracketed name such as "[stack]", or empty.
    std::string path;
};

// The process's mappings in address order; empty when they cannot be read.
std::vector<MemoryMapping> ReadMappings(pid_t processID);
// One line of /proc/<pid>/maps; false when it is not one.
bool ParseMappingLine(const std::string& line, MemoryMapping& mapping);
// The mapping holding `address`, or nullptr.
const MemoryMapping* FindMapping(const std::vector<MemoryMapping>& mappings, std::uint64_t address);

class ProcessMemory
{
public:
    explicit ProcessMemory(pid_t processID) : processID_(processID) {}

    // The bytes from `address` on, up to `size`; shorter (possibly empty) where the memory
    // ends or cannot be read.
    std::vector<std::uint8_t> Read(std::uint64_t address, std::size_t size) const;
    // Reads exactly `size` bytes into `out`; false when any of them cannot be read.
    bool ReadExactly(std::uint64_t address, void* out, std::size_t size) const;

private:
    std::size_t ReadSome(std::uint64_t address, std::uint8_t* out, std::size_t size) const;

    pid_t processID_;
};
} // namespace QeltErrorReporting
