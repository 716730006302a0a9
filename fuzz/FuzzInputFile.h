#pragma once
// The trial file readers map files, so a fuzz target writes each input to a file of its own in
// /dev/shm first and removes it afterwards.
//
// Thread rules: one fuzzing thread per process (the path holds the process id).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace FuzzInputFile
{
inline const std::string& Path(const char* extension)
{
    static const std::string path =
        "/dev/shm/fuzz_input_" + std::to_string(getpid()) + "." + extension;
    return path;
}

inline bool Write(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}
} // namespace FuzzInputFile
