#pragma once
// A fresh folder under the system's temporary folder for one test, removed with everything in it
// when the object goes, and byte-level access to files, so tests can write and damage them on
// purpose. Thread-bound to the test's thread.

#include <cstdint>
#include <string>
#include <vector>

namespace BriselTest
{
class TempDirectory
{
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::string& Path() const { return path_; }
    // The path of `name` inside the folder.
    std::string Path(const std::string& name) const;
    // Writes a new file `name` holding `bytes` and gives its path.
    std::string WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) const;

private:
    std::string path_;
};

// Removes `path` if it is there, so that the next write makes a new file: a file truncated in
// place is flushed by the file system at close, which makes sweeps over many damaged files slow.
void RemoveFileForRewrite(const std::string& path);

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
// Writes a new file, replacing any file at `path`.
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
} // namespace BriselTest
