#pragma once
// The little-endian value encodings that X2D records use beyond the integers of the shared
// container: IEEE floats and doubles, bytes, and unsigned integers of 0 to 8 bytes. Reading
// goes through VBoundedReader, so every read stays within the file and the current record.
//
// Thread rules: reentrant (free functions, no state).

#include <cstddef>
#include <cstdint>
#include <vector>

class VBoundedReader;
class VByteWriter;

namespace X2DIO
{
namespace ValueCodec
{
constexpr std::size_t kMaxUnsignedBytes = 8;

bool ReadUInt8(VBoundedReader& reader, std::uint8_t& value);
void PutUInt8(VByteWriter& writer, std::uint8_t value);
bool ReadFloat(VBoundedReader& reader, float& value);
void PutFloat(VByteWriter& writer, float value);
bool ReadDouble(VBoundedReader& reader, double& value);
void PutDouble(VByteWriter& writer, double value);
// `size` bytes little-endian; wider fields hold the value zero-extended. The reader's
// ReadUnsigned() is its counterpart.
void PutUnsigned(VByteWriter& writer, std::size_t size, std::uint64_t value);

// A float or uint32 kept in the first four bytes of a field descriptor's extra data; false
// when there are fewer.
bool LoadFloat(const std::vector<std::uint8_t>& bytes, float& value);
bool LoadUInt32(const std::vector<std::uint8_t>& bytes, std::uint32_t& value);
std::vector<std::uint8_t> StoreFloat(float value);
std::vector<std::uint8_t> StoreUInt32(std::uint32_t value);
} // namespace ValueCodec
} // namespace X2DIO
