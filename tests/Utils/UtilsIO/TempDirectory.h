#pragma once

// A fresh directory under the test temporary folder, removed with its contents when the object
// goes. Thread-bound to the test's thread.

#include <cstdint>
#include <string>
#include <vector>

class TempDirectory
{
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::string& Path() const { return path_; }
    // Path of a file name inside the directory.
    std::string File(const std::string& name) const;
    // Writes bytes to a new file name and returns its path.
    std::string WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) const;

private:
    std::string path_;
};

// Bytes that differ from their neighbours and from the bytes one window or buffer further on, so
// that a copy from the wrong offset shows.
std::vector<std::uint8_t> PatternBytes(std::uint64_t firstOffset, std::uint64_t count);
