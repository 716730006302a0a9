#pragma once
// Test support shared by the trial file tests: a temporary folder and byte-level access to the
// files in it, so tests can damage them on purpose.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Removed with everything in it when the object goes.
class VTempDir
{
public:
    VTempDir();
    ~VTempDir();
    VTempDir(const VTempDir&) = delete;
    VTempDir& operator=(const VTempDir&) = delete;
    std::string Path(const std::string& name) const;

private:
    std::string path_;
};

// Removes `path` if it is there, so that the next write makes a new file: a file truncated in
// place is flushed by the file system at close, which makes sweeps over many damaged files slow.
void RemoveFileForRewrite(const std::string& path);

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
// Writes a new file, replacing any file at `path`.
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
// Stores `value` little-endian at `offset`.
void PatchInt32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value);
void PatchInt64(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint64_t value);
