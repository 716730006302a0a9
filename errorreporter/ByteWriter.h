#pragma once
// Builds a little-endian byte image field by field, for the minidump file's records. Values
// are always written byte by byte, never by copying a structure. Reentrant.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace QeltErrorReporting
{
class ByteWriter
{
public:
    void U8(std::uint8_t value) { bytes_.push_back(value); }
    void U16(std::uint16_t value);
    void U32(std::uint32_t value);
    void U64(std::uint64_t value);
    void Bytes(const void* data, std::size_t size);
    void Zeros(std::size_t count) { bytes_.resize(bytes_.size() + count, 0); }
    // Overwrites four bytes already written at `offset`.
    void PatchU32(std::size_t offset, std::uint32_t value);
    // A counted UTF-16 string: its byte length without the terminator, the characters and a
    // terminating zero.
    void CountedString(const std::u16string& text);

    std::size_t Size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& Data() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// UTF-8 text as UTF-16; a malformed sequence becomes U+FFFD.
std::u16string ToUtf16(const std::string& text);
} // namespace QeltErrorReporting
