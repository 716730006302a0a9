#include "FileIO/ByteWriter.h"

#include "net/ByteOrder.h"

void VByteWriter::PutUInt16(std::uint16_t value)
{
    std::uint8_t bytes[2];
    ByteOrder::StoreLittleEndian16(bytes, value);
    PutBytes(bytes, sizeof bytes);
}

void VByteWriter::PutUInt32(std::uint32_t value)
{
    std::uint8_t bytes[4];
    ByteOrder::StoreLittleEndian32(bytes, value);
    PutBytes(bytes, sizeof bytes);
}

void VByteWriter::PutInt64(std::int64_t value)
{
    std::uint8_t bytes[8];
    ByteOrder::StoreLittleEndian64(bytes, std::uint64_t(value));
    PutBytes(bytes, sizeof bytes);
}

void VByteWriter::PutBytes(const void* source, std::size_t length)
{
    const auto* first = static_cast<const std::uint8_t*>(source);
    bytes_.insert(bytes_.end(), first, first + length);
}

void VByteWriter::PutFill(std::uint8_t value, std::size_t length)
{
    bytes_.insert(bytes_.end(), length, value);
}

void VByteWriter::PatchInt32(std::size_t offset, std::int32_t value)
{
    ByteOrder::StoreLittleEndian32(&bytes_.at(offset + 3) - 3, std::uint32_t(value));
}

void VByteWriter::PatchInt64(std::size_t offset, std::int64_t value)
{
    ByteOrder::StoreLittleEndian64(&bytes_.at(offset + 7) - 7, std::uint64_t(value));
}
