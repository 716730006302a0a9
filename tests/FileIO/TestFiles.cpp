#include "TestFiles.h"

#include "net/ByteOrder.h"

void PatchInt32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value)
{
    ByteOrder::StoreLittleEndian32(&bytes.at(offset + 3) - 3, value);
}

void PatchInt64(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint64_t value)
{
    ByteOrder::StoreLittleEndian64(&bytes.at(offset + 7) - 7, value);
}
