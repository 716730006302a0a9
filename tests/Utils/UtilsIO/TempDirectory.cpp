#include "tests/Utils/UtilsIO/TempDirectory.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdexcept>
#include <stdlib.h>

TempDirectory::TempDirectory()
{
    std::string pattern = testing::TempDir() + "utilsio-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
    {
        throw std::runtime_error("mkdtemp failed for " + pattern);
    }
    path_ = pattern;
}

TempDirectory::~TempDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDirectory::File(const std::string& name) const
{
    return path_ + "/" + name;
}

std::string TempDirectory::WriteFile(const std::string& name,
                                     const std::vector<std::uint8_t>& bytes) const
{
    const std::string path = File(name);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::vector<std::uint8_t> PatternBytes(std::uint64_t firstOffset, std::uint64_t count)
{
    std::vector<std::uint8_t> bytes(count);
    for (std::uint64_t i = 0; i < count; ++i)
    {
        std::uint64_t x = firstOffset + i;
        x ^= x >> 13;
        x *= 0x9E3779B97F4A7C15ull;
        bytes[i] = static_cast<std::uint8_t>(x >> 56);
    }
    return bytes;
}
