#include "cgstream/CGStreamPacket.h"

namespace SarnetCGStream
{
namespace
{
bool ReadInto(VItem& item, const std::uint8_t* payload, std::size_t size)
{
    VPayloadReader reader(payload, size);
    return item.Read(reader);
}

template <class Record>
bool ReadOptional(std::optional<Record>& record, const std::uint8_t* payload, std::size_t size)
{
    record.emplace();
    return ReadInto(*record, payload, size);
}

// Reads one item's payload into the member of its type; unknown types are only noted.
bool ReadItem(std::uint32_t type, const std::uint8_t* payload, std::size_t size,
              VParsedPacket& packet)
{
    switch (type)
    {
    case kStreamInfo:
        return ReadInto(*packet.streamInfo, payload, size);
    case kFrameInfo:
        return ReadInto(*packet.frame, payload, size);
    case kTimecode:
        return ReadOptional(packet.frame->timecode, payload, size);
    case kObjectEnums:
        return ReadOptional(packet.objectEnums, payload, size);
    case kRequestFrame:
        return ReadOptional(packet.requestFrame, payload, size);
    case kContents:
        return ReadOptional(packet.contents, payload, size);
    default:
        break;
    }
    if (IsStreamInfoRecord(type))
        packet.streamInfo->otherRecords.push_back(type);
    else if (IsFrameRecord(type))
        packet.frame->otherRecords.push_back(type);
    return true;
}
} // namespace

VPacketHeader DecodeHeader(const std::uint8_t* header)
{
    VPayloadReader reader(header, kHeaderSize);
    VPacketHeader decoded;
    reader.ReadU32(decoded.magic);
    reader.ReadU32(decoded.payloadLength);
    return decoded;
}

bool ParsePacket(const std::uint8_t* payload, std::size_t size, VParsedPacket& packet)
{
    std::size_t offset = 0;
    while (offset < size)
    {
        VPayloadReader header(payload + offset, size - offset);
        std::uint32_t type = 0;
        std::uint32_t length = 0;
        if (!header.ReadU32(type) || !header.ReadU32(length) || header.Remaining() < length)
            return false;
        offset += kItemHeaderSize;
        if (!ReadItem(type, payload + offset, length, packet))
            return false;
        offset += length;
    }
    return true;
}

VPacketBuilder::VPacketBuilder()
{
    VPayloadWriter writer(bytes_);
    writer.WriteU32(kMagic);
    writer.WriteU32(0);
}

void VPacketBuilder::Add(const VItem& item)
{
    VPayloadWriter writer(bytes_);
    writer.WriteU32(item.GetType());
    const std::size_t lengthAt = writer.Size();
    writer.WriteU32(0);
    item.Write(writer);
    writer.PatchU32(lengthAt, static_cast<std::uint32_t>(writer.Size() - lengthAt - 4));
}

std::vector<std::uint8_t> VPacketBuilder::Finish()
{
    VPayloadWriter(bytes_).PatchU32(4, static_cast<std::uint32_t>(bytes_.size() - kHeaderSize));
    return std::move(bytes_);
}
} // namespace SarnetCGStream
