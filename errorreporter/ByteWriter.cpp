#include "errorreporter/ByteWriter.h"

namespace QeltErrorReporting
{
void ByteWriter::U16(std::uint16_t value)
{
    U8(static_cast<std::uint8_t>(value));
    U8(static_cast<std::uint8_t>(value >> 8));
}

void ByteWriter::U32(std::uint32_t value)
{
    U16(static_cast<std::uint16_t>(value));
    U16(static_cast<std::uint16_t>(value >> 16));
}

void ByteWriter::U64(std::uint64_t value)
{
    U32(static_cast<std::uint32_t>(value));
    U32(static_cast<std::uint32_t>(value >> 32));
}

void ByteWriter::Bytes(const void* data, std::size_t size)
{
    const auto* first = static_cast<const std::uint8_t*>(data);
    bytes_.insert(bytes_.end(), first, first + size);
}

void ByteWriter::PatchU32(std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes_.at(offset + std::size_t(i)) = static_cast<std::uint8_t>(value >> (8 * i));
}

void ByteWriter::CountedString(const std::u16string& text)
{
    U32(static_cast<std::uint32_t>(text.size() * 2));
    for (const char16_t unit : text)
        U16(unit);
    U16(0);
}

namespace
{
constexpr char32_t kReplacement = 0xFFFD;

// Decodes the character at `position`, moving past it.
char32_t DecodeUtf8(const std::string& text, std::size_t& position)
{
    const auto lead = static_cast<unsigned char>(text[position++]);
    if (lead < 0x80)
        return lead;
    const int trailing = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (trailing < 0 || lead > 0xF4 || position + std::size_t(trailing) > text.size())
        return kReplacement;
    char32_t value = lead & (0x3F >> trailing);
    for (int i = 0; i < trailing; ++i)
    {
        const auto next = static_cast<unsigned char>(text[position]);
        if ((next & 0xC0) != 0x80)
            return kReplacement;
        value = (value << 6) | (next & 0x3F);
        ++position;
    }
    return value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF) ? kReplacement : value;
}
} // namespace

std::u16string ToUtf16(const std::string& text)
{
    std::u16string result;
    for (std::size_t position = 0; position < text.size();)
    {
        const char32_t value = DecodeUtf8(text, position);
        if (value < 0x10000)
        {
            result.push_back(static_cast<char16_t>(value));
            continue;
        }
        result.push_back(static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10)));
        result.push_back(static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF)));
    }
    return result;
}
} // namespace QeltErrorReporting
