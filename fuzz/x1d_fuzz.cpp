// Feeds arbitrary bytes to the X1D reader: Open, then ReadFrame over every index entry.
// The reader maps files, so each input is written to a file in /dev/shm first.
//
// Build and run with clang:
//   CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
//   ninja -C build/fuzz x1d_fuzz x1d_seed
//   build/fuzz/fuzz/x1d_seed /tmp/x1d_corpus
//   build/fuzz/fuzz/x1d_fuzz /tmp/x1d_corpus -max_total_time=120 -malloc_limit_mb=64

#include "FuzzInputFile.h"

#include "FileIO/X1DImport.h"
#include "FileIO/X1DImportImpl.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = FuzzInputFile::Path("x1d");
    if (!FuzzInputFile::Write(path, data, size))
        return 0;
    VX1DImport reader;
    if (reader.Open(path))
    {
        const std::size_t entries = reader.GetImpl().GetIndexTable().GetCount();
        VAnalogueBlockFrame frame;
        for (std::size_t i = 0; i < entries; ++i)
            reader.ReadFrame(std::int32_t(i), frame);
    }
    reader.Close();
    std::remove(path.c_str());
    return 0;
}
