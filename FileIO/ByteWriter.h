#pragma once
// Builds a record of a trial file in memory, little-endian, so that lengths known only after
// the contents (markers, variable fields) can be patched before the bytes go to the file.
//
// Thread rules: reentrant (one instance is used from one thread at a time; no locks).

#include <cstddef>
#include <cstdint>
#include <vector>

class VByteWriter
{
public:
    void PutUInt16(std::uint16_t value);
    void PutInt16(std::int16_t value) { PutUInt16(std::uint16_t(value)); }
    void PutUInt32(std::uint32_t value);
    void PutInt32(std::int32_t value) { PutUInt32(std::uint32_t(value)); }
    void PutInt64(std::int64_t value);
    void PutBytes(const void* source, std::size_t length);
    void PutFill(std::uint8_t value, std::size_t length);

    // Overwrites 4 or 8 bytes already written at `offset`.
    void PatchInt32(std::size_t offset, std::int32_t value);
    void PatchInt64(std::size_t offset, std::int64_t value);

    std::size_t GetSize() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& GetBytes() const { return bytes_; }
    void Clear() { bytes_.clear(); }

private:
    std::vector<std::uint8_t> bytes_;
};
