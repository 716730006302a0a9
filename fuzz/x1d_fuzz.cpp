// Feeds arbitrary bytes to the X1D reader: Open, then ReadFrame over every index entry.
// The reader maps files, so each input is written to a file in /dev/shm first.
//
// Build and run with clang:
//   CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
//   ninja -C build/fuzz x1d_fuzz x1d_seed
//   build/fuzz/fuzz/x1d_seed /tmp/x1d_corpus
//   build/fuzz/fuzz/x1d_fuzz /tmp/x1d_corpus -max_total_time=120 -malloc_limit_mb=64

#include "FileIO/X1DImport.h"
#include "FileIO/X1DImportImpl.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace
{
const std::string& InputPath()
{
    static const std::string path = "/dev/shm/x1d_fuzz_" + std::to_string(getpid()) + ".x1d";
    return path;
}

bool WriteInput(const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(InputPath().c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!WriteInput(data, size))
        return 0;
    VX1DImport reader;
    if (reader.Open(InputPath()))
    {
        const std::size_t entries = reader.GetImpl().GetIndexTable().GetCount();
        VAnalogueBlockFrame frame;
        for (std::size_t i = 0; i < entries; ++i)
            reader.ReadFrame(std::int32_t(i), frame);
    }
    reader.Close();
    std::remove(InputPath().c_str());
    return 0;
}
