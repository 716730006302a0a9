#include "tests/errorreporter/MinidumpReader.h"

#include "tests/support/TempDirectory.h"

#include <stdexcept>

namespace BriselTest
{
MinidumpReader::MinidumpReader(const std::string& path) : bytes_(ReadFileBytes(path))
{
    if (bytes_.size() < 32 || U32(0) != 0x504d444d)
        return;
    const std::uint32_t count = U32(8);
    const std::uint32_t directory = U32(12);
    if (directory + std::size_t(count) * 12 > bytes_.size())
        return;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const std::size_t entry = directory + std::size_t(i) * 12;
        const std::uint32_t size = U32(entry + 4);
        const std::uint32_t rva = U32(entry + 8);
        if (std::size_t(rva) + size > bytes_.size())
            return;
        types_.push_back(U32(entry));
        streams_.emplace(U32(entry), std::make_pair(rva, size));
    }
    valid_ = true;
}

std::uint32_t MinidumpReader::U32(std::size_t offset) const
{
    if (offset + 4 > bytes_.size())
        throw std::out_of_range("minidump read past its end");
    return std::uint32_t(bytes_[offset]) | std::uint32_t(bytes_[offset + 1]) << 8 |
           std::uint32_t(bytes_[offset + 2]) << 16 | std::uint32_t(bytes_[offset + 3]) << 24;
}

std::uint64_t MinidumpReader::U64(std::size_t offset) const
{
    return U32(offset) | std::uint64_t(U32(offset + 4)) << 32;
}

std::u16string MinidumpReader::CountedString(std::size_t offset) const
{
    const std::uint32_t length = U32(offset);
    std::u16string text;
    for (std::uint32_t i = 0; i < length; i += 2)
        text.push_back(char16_t(U32(offset + 4 + i) & 0xFFFF));
    return text;
}

std::optional<std::vector<std::uint8_t>> MinidumpReader::Stream(std::uint32_t type) const
{
    const auto found = streams_.find(type);
    if (found == streams_.end())
        return std::nullopt;
    const auto [rva, size] = found->second;
    return std::vector<std::uint8_t>(bytes_.begin() + rva, bytes_.begin() + rva + size);
}

std::optional<std::u16string> MinidumpReader::Utf16Stream(std::uint32_t type) const
{
    const auto bytes = Stream(type);
    if (!bytes || bytes->size() < 2 || bytes->size() % 2 != 0 || bytes->end()[-1] != 0 ||
        bytes->end()[-2] != 0)
        return std::nullopt;
    std::u16string text;
    for (std::size_t i = 0; i + 2 < bytes->size(); i += 2)
        text.push_back(char16_t((*bytes)[i] | (*bytes)[i + 1] << 8));
    return text;
}

std::vector<std::uint32_t> MinidumpReader::ThreadIDs() const
{
    std::vector<std::uint32_t> threads;
    const auto found = streams_.find(3);
    if (found == streams_.end())
        return threads;
    const std::uint32_t rva = found->second.first;
    for (std::uint32_t i = 0; i < U32(rva); ++i)
        threads.push_back(U32(rva + 4 + std::size_t(i) * 48));
    return threads;
}

std::vector<std::string> MinidumpReader::ModuleNames() const
{
    std::vector<std::string> names;
    const auto found = streams_.find(4);
    if (found == streams_.end())
        return names;
    const std::uint32_t rva = found->second.first;
    for (std::uint32_t i = 0; i < U32(rva); ++i)
    {
        const std::u16string name = CountedString(U32(rva + 4 + std::size_t(i) * 108 + 20));
        names.emplace_back(name.begin(), name.end());
    }
    return names;
}

std::optional<DumpException> MinidumpReader::Exception() const
{
    const auto found = streams_.find(6);
    if (found == streams_.end())
        return std::nullopt;
    const std::uint32_t rva = found->second.first;
    return DumpException{U32(rva), U32(rva + 8), U32(rva + 12), U64(rva + 24)};
}

std::u16string Utf16(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}
} // namespace BriselTest
