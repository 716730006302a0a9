#pragma once
// Explicit byte-order helpers for the wire formats: broadcast commands and announcements
// are big-endian, data records little-endian. Every reader checks the bounds it is given,
// so a short datagram is never read past its end. Reentrant.

#include <cstddef>
#include <cstdint>

namespace ByteOrder
{
inline std::uint32_t LoadBigEndian32(const std::uint8_t* bytes)
{
    return (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) |
           (std::uint32_t(bytes[2]) << 8) | std::uint32_t(bytes[3]);
}

inline void StoreBigEndian32(std::uint8_t* bytes, std::uint32_t value)
{
    bytes[0] = std::uint8_t(value >> 24);
    bytes[1] = std::uint8_t(value >> 16);
    bytes[2] = std::uint8_t(value >> 8);
    bytes[3] = std::uint8_t(value);
}

// Reads the 32-bit big-endian field at `offset`; false when it does not fit in `length`.
inline bool ReadBigEndian32(const std::uint8_t* data, std::size_t length, std::size_t offset,
                            std::uint32_t& value)
{
    if (offset > length || length - offset < 4)
        return false;
    value = LoadBigEndian32(data + offset);
    return true;
}
} // namespace ByteOrder

namespace ByteOrder
{
inline void StoreBigEndian16(std::uint8_t* bytes, std::uint16_t value)
{
    bytes[0] = std::uint8_t(value >> 8);
    bytes[1] = std::uint8_t(value);
}
} // namespace ByteOrder

// Little-endian loads and stores for the data records.
namespace ByteOrder
{
inline std::uint16_t LoadLittleEndian16(const std::uint8_t* bytes)
{
    return std::uint16_t(bytes[0] | (bytes[1] << 8));
}

inline std::uint32_t LoadLittleEndian32(const std::uint8_t* bytes)
{
    return std::uint32_t(bytes[0]) | (std::uint32_t(bytes[1]) << 8) |
           (std::uint32_t(bytes[2]) << 16) | (std::uint32_t(bytes[3]) << 24);
}

inline void StoreLittleEndian16(std::uint8_t* bytes, std::uint16_t value)
{
    bytes[0] = std::uint8_t(value);
    bytes[1] = std::uint8_t(value >> 8);
}

inline void StoreLittleEndian32(std::uint8_t* bytes, std::uint32_t value)
{
    StoreLittleEndian16(bytes, std::uint16_t(value));
    StoreLittleEndian16(bytes + 2, std::uint16_t(value >> 16));
}
} // namespace ByteOrder

// 64-bit little-endian loads and stores for the trial file formats.
namespace ByteOrder
{
inline std::uint64_t LoadLittleEndian64(const std::uint8_t* bytes)
{
    return std::uint64_t(LoadLittleEndian32(bytes)) |
           (std::uint64_t(LoadLittleEndian32(bytes + 4)) << 32);
}

inline void StoreLittleEndian64(std::uint8_t* bytes, std::uint64_t value)
{
    StoreLittleEndian32(bytes, std::uint32_t(value));
    StoreLittleEndian32(bytes + 4, std::uint32_t(value >> 32));
}
} // namespace ByteOrder
