#include "TestFiles.h"

#include "net/ByteOrder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

VTempDir::VTempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "fileio_test.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

VTempDir::~VTempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string VTempDir::Path(const std::string& name) const
{
    return path_ + "/" + name;
}

void RemoveFileForRewrite(const std::string& path)
{
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    RemoveFileForRewrite(path);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void PatchInt32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value)
{
    ByteOrder::StoreLittleEndian32(&bytes.at(offset + 3) - 3, value);
}

void PatchInt64(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint64_t value)
{
    ByteOrder::StoreLittleEndian64(&bytes.at(offset + 7) - 7, value);
}
