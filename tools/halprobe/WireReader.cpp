#include "tools/halprobe/WireReader.h"

#include "net/ByteOrder.h"

namespace HalProbe
{
std::uint16_t WireReader::PeekUint16() const
{
    return Remaining() < 2 ? 0 : ByteOrder::LoadLittleEndian16(data_ + offset_);
}

std::uint16_t WireReader::Uint16()
{
    const std::uint8_t* field = Take(2);
    return field ? ByteOrder::LoadLittleEndian16(field) : 0;
}

std::uint32_t WireReader::Uint32()
{
    const std::uint8_t* field = Take(4);
    return field ? ByteOrder::LoadLittleEndian32(field) : 0;
}

std::int32_t WireReader::Int32()
{
    return static_cast<std::int32_t>(Uint32());
}

std::uint64_t WireReader::Uint64()
{
    const std::uint8_t* field = Take(8);
    return field ? ByteOrder::LoadLittleEndian64(field) : 0;
}

std::vector<std::uint8_t> WireReader::Bytes(std::size_t count)
{
    const std::uint8_t* field = Take(count);
    return field ? std::vector<std::uint8_t>(field, field + count) : std::vector<std::uint8_t>();
}

const std::uint8_t* WireReader::Take(std::size_t count)
{
    if (failed_ || count > Remaining())
    {
        failed_ = true;
        return nullptr;
    }
    const std::uint8_t* field = data_ + offset_;
    offset_ += count;
    return field;
}
} // namespace HalProbe
