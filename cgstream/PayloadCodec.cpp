#include "cgstream/PayloadCodec.h"

namespace SarnetCGStream
{
bool VPayloadReader::ReadLittleEndian(std::size_t bytes, std::uint64_t& value)
{
    if (Remaining() < bytes)
        return false;
    value = 0;
    for (std::size_t i = 0; i < bytes; ++i)
        value |= std::uint64_t(data_[position_ + i]) << (8 * i);
    position_ += bytes;
    return true;
}

bool VPayloadReader::ReadU8(std::uint8_t& value)
{
    std::uint64_t wide = 0;
    if (!ReadLittleEndian(1, wide))
        return false;
    value = std::uint8_t(wide);
    return true;
}

bool VPayloadReader::ReadU16(std::uint16_t& value)
{
    std::uint64_t wide = 0;
    if (!ReadLittleEndian(2, wide))
        return false;
    value = std::uint16_t(wide);
    return true;
}

bool VPayloadReader::ReadU32(std::uint32_t& value)
{
    std::uint64_t wide = 0;
    if (!ReadLittleEndian(4, wide))
        return false;
    value = std::uint32_t(wide);
    return true;
}

bool VPayloadReader::ReadU64(std::uint64_t& value)
{
    return ReadLittleEndian(8, value);
}

void VPayloadWriter::WriteLittleEndian(std::uint64_t value, std::size_t bytes)
{
    for (std::size_t i = 0; i < bytes; ++i)
        out_.push_back(std::uint8_t(value >> (8 * i)));
}

void VPayloadWriter::PatchU32(std::size_t offset, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        out_[offset + i] = std::uint8_t(value >> (8 * i));
}
} // namespace SarnetCGStream
