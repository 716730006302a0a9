#include "tests/Utils/UtilsIO/PatternBytes.h"

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

std::vector<std::uint8_t> ReadAt(UtilsIO::VMemoryMappedFileReadOnly& stream, std::uint64_t offset,
                                 std::uint64_t length)
{
    std::vector<std::uint8_t> bytes(length);
    if (!stream.Seek(offset))
        return {};
    bytes.resize(stream.Read(length, bytes.data()));
    return bytes;
}
