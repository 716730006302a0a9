#include "tests/support/TempDirectory.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace BriselTest
{
TempDirectory::TempDirectory()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "brisel_test.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed for " + pattern);
    path_ = pattern;
}

TempDirectory::~TempDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDirectory::Path(const std::string& name) const
{
    return path_ + "/" + name;
}

std::string TempDirectory::WriteFile(const std::string& name,
                                     const std::vector<std::uint8_t>& bytes) const
{
    const std::string path = Path(name);
    WriteFileBytes(path, bytes);
    return path;
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
} // namespace BriselTest
