#pragma once
// A little-endian cursor over one received datagram. A read that would pass the end
// reads nothing, yields zero and marks the reader failed, so no decoder can read past
// a datagram however it is written; decoders still check sizes first to say what is
// short. Reentrant.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace HalProbe
{
class WireReader
{
public:
    WireReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    explicit WireReader(const std::vector<std::uint8_t>& bytes)
        : WireReader(bytes.data(), bytes.size())
    {
    }

    std::size_t Offset() const { return offset_; }
    std::size_t Remaining() const { return size_ - offset_; }
    bool AtEnd() const { return offset_ == size_; }
    // True once any read asked for more than remained.
    bool Failed() const { return failed_; }

    // The 16-bit word at the cursor without moving it; zero when fewer than two bytes remain.
    std::uint16_t PeekUint16() const;

    std::uint16_t Uint16();
    std::uint32_t Uint32();
    std::int32_t Int32();
    std::uint64_t Uint64();
    std::vector<std::uint8_t> Bytes(std::size_t count);

private:
    // The bytes of the next field, or nothing (and failed) when they are not all there.
    const std::uint8_t* Take(std::size_t count);

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
    bool failed_ = false;
};
} // namespace HalProbe
