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
