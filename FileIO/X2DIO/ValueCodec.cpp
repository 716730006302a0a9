#include "FileIO/X2DIO/ValueCodec.h"

#include "FileIO/BoundedReader.h"
#include "FileIO/ByteWriter.h"
#include "net/ByteOrder.h"

#include <algorithm>
#include <cstring>

namespace X2DIO
{
namespace ValueCodec
{
namespace
{
// Bit patterns of IEEE values; memcpy is the defined way to reinterpret them.
template <class TTo, class TFrom> TTo BitCast(TFrom from)
{
    static_assert(sizeof(TTo) == sizeof(TFrom), "sizes differ");
    TTo to;
    std::memcpy(&to, &from, sizeof to);
    return to;
}
} // namespace

bool ReadUInt8(VBoundedReader& reader, std::uint8_t& value)
{
    return reader.ReadBytes(&value, 1);
}

void PutUInt8(VByteWriter& writer, std::uint8_t value)
{
    writer.PutBytes(&value, 1);
}

bool ReadFloat(VBoundedReader& reader, float& value)
{
    std::uint32_t bits = 0;
    if (!reader.ReadUInt32(bits))
        return false;
    value = BitCast<float>(bits);
    return true;
}

void PutFloat(VByteWriter& writer, float value)
{
    writer.PutUInt32(BitCast<std::uint32_t>(value));
}

bool ReadDouble(VBoundedReader& reader, double& value)
{
    std::int64_t bits = 0;
    if (!reader.ReadInt64(bits))
        return false;
    value = BitCast<double>(bits);
    return true;
}

void PutDouble(VByteWriter& writer, double value)
{
    writer.PutInt64(BitCast<std::int64_t>(value));
}

void PutUnsigned(VByteWriter& writer, std::size_t size, std::uint64_t value)
{
    std::uint8_t bytes[kMaxUnsignedBytes];
    ByteOrder::StoreLittleEndian64(bytes, value);
    // Wider fields hold the value zero-extended.
    const std::size_t stored = std::min(size, kMaxUnsignedBytes);
    writer.PutBytes(bytes, stored);
    writer.PutFill(0, size - stored);
}

bool LoadFloat(const std::vector<std::uint8_t>& bytes, float& value)
{
    std::uint32_t bits = 0;
    if (!LoadUInt32(bytes, bits))
        return false;
    value = BitCast<float>(bits);
    return true;
}

bool LoadUInt32(const std::vector<std::uint8_t>& bytes, std::uint32_t& value)
{
    if (bytes.size() < 4)
        return false;
    value = ByteOrder::LoadLittleEndian32(bytes.data());
    return true;
}

std::vector<std::uint8_t> StoreFloat(float value)
{
    return StoreUInt32(BitCast<std::uint32_t>(value));
}

std::vector<std::uint8_t> StoreUInt32(std::uint32_t value)
{
    std::vector<std::uint8_t> bytes(4);
    ByteOrder::StoreLittleEndian32(bytes.data(), value);
    return bytes;
}
} // namespace ValueCodec
} // namespace X2DIO
