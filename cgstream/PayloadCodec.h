#pragma once
// Little-endian readers and writers of CG stream payloads. A reader never reads past the
// end it was given: a read that does not fit fails and leaves the position unchanged.
// Reentrant.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace SarnetCGStream
{
class VPayloadReader
{
public:
    VPayloadReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t Remaining() const { return size_ - position_; }
    bool ReadU8(std::uint8_t& value) { return ReadInteger(value); }
    bool ReadU16(std::uint16_t& value) { return ReadInteger(value); }
    bool ReadU32(std::uint32_t& value) { return ReadInteger(value); }
    bool ReadU64(std::uint64_t& value) { return ReadInteger(value); }

private:
    template <class T> bool ReadInteger(T& value)
    {
        std::uint64_t wide = 0;
        if (!ReadLittleEndian(sizeof(T), wide))
            return false;
        value = static_cast<T>(wide);
        return true;
    }
    bool ReadLittleEndian(std::size_t bytes, std::uint64_t& value);

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

class VPayloadWriter
{
public:
    explicit VPayloadWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void WriteU8(std::uint8_t value) { WriteLittleEndian(value, 1); }
    void WriteU16(std::uint16_t value) { WriteLittleEndian(value, 2); }
    void WriteU32(std::uint32_t value) { WriteLittleEndian(value, 4); }
    void WriteU64(std::uint64_t value) { WriteLittleEndian(value, 8); }
    std::size_t Size() const { return out_.size(); }
    // Overwrites the 32-bit field written earlier at `offset`.
    void PatchU32(std::size_t offset, std::uint32_t value);

private:
    void WriteLittleEndian(std::uint64_t value, std::size_t bytes);

    std::vector<std::uint8_t>& out_;
};
} // namespace SarnetCGStream
