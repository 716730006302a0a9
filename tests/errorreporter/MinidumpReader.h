#pragma once
// Reads a minidump file back for the tests: the header, the stream directory and the few
// streams the tests look into, decoded field by field from the format's little-endian layout.
// Thread-bound to the test's thread.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace BriselTest
{
struct DumpException
{
    std::uint32_t threadID = 0;
    std::uint32_t code = 0;
    std::uint32_t flags = 0;
    std::uint64_t address = 0;
};

class MinidumpReader
{
public:
    // Reads `path`; Valid() tells whether it held a minidump header and directory.
    explicit MinidumpReader(const std::string& path);

    bool Valid() const { return valid_; }
    // The stream types in directory order.
    const std::vector<std::uint32_t>& StreamTypes() const { return types_; }
    // The bytes of the first stream of `type`, or nothing.
    std::optional<std::vector<std::uint8_t>> Stream(std::uint32_t type) const;
    // The UTF-16 text of a stream (without its terminating zero, which must be there).
    std::optional<std::u16string> Utf16Stream(std::uint32_t type) const;

    std::vector<std::uint32_t> ThreadIDs() const;
    std::vector<std::string> ModuleNames() const;
    std::optional<DumpException> Exception() const;

private:
    std::uint32_t U32(std::size_t offset) const;
    std::uint64_t U64(std::size_t offset) const;
    std::u16string CountedString(std::size_t offset) const;

    std::vector<std::uint8_t> bytes_;
    bool valid_ = false;
    std::vector<std::uint32_t> types_;
    std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> streams_;
};

// ASCII text as UTF-16, for comparisons.
std::u16string Utf16(const std::string& ascii);
} // namespace BriselTest
