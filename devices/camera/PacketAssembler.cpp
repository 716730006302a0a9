#include "devices/camera/PacketAssembler.h"

#include "net/AsioUdpSocket.h"
#include "net/ByteOrder.h"

#include <algorithm>
#include <cstring>

using namespace CameraPackets;

// A datagram never holds less than its header and one item.
VPacketAssembler::VPacketAssembler(VAsioUdpSocket& socket, std::size_t capacity, bool withHeader)
    : socket_(socket), withHeader_(withHeader),
      buffer_(std::max(capacity, (withHeader ? kDatagramHeaderSize : 0) + kItemSize))
{
}

void VPacketAssembler::Begin(const DatagramHeader& header)
{
    WriteDatagramHeader(buffer_.data(), header);
    fill_ = kDatagramHeaderSize;
    total_ = 0;
}

void VPacketAssembler::Reset()
{
    fill_ = 0;
    total_ = 0;
}

std::uint8_t* VPacketAssembler::Reserve(std::size_t length)
{
    if (length > buffer_.size() - Start())
        return nullptr;
    if (fill_ + length > buffer_.size())
    {
        if (IsLastPossibleDatagram())
            return nullptr;
        SendDatagram();
    }
    std::uint8_t* room = buffer_.data() + fill_;
    fill_ += length;
    return room;
}

bool VPacketAssembler::Append(const std::uint8_t* first, std::size_t firstLength,
                              const std::uint8_t* second, std::size_t secondLength)
{
    std::uint8_t* room = Reserve(firstLength + secondLength);
    if (!room)
        return false;
    std::memcpy(room, first, firstLength);
    if (secondLength > 0)
        std::memcpy(room + firstLength, second, secondLength);
    return true;
}

void VPacketAssembler::Flush()
{
    if (withHeader_)
    {
        const std::uint16_t flags =
            ByteOrder::LoadLittleEndian16(buffer_.data() + kHeaderFlagsOffset);
        ByteOrder::StoreLittleEndian16(buffer_.data() + kHeaderFlagsOffset,
                                       flags | kHeaderFlagLast);
    }
    SendDatagram();
}

void VPacketAssembler::SendGathered()
{
    if (fill_ > Start())
        SendDatagram();
}

// A frame's datagrams are counted in 16 bits: items that would need more are left out.
bool VPacketAssembler::IsLastPossibleDatagram() const
{
    return withHeader_ &&
           ByteOrder::LoadLittleEndian16(buffer_.data() + kHeaderIndexOffset) == 0xFFFF;
}

// The next datagram of the frame follows this one: its index is one more and its payload
// starts where this one's ends.
void VPacketAssembler::SendDatagram()
{
    socket_.Send(buffer_.data(), fill_);
    total_ += static_cast<std::uint32_t>(fill_);
    if (withHeader_)
    {
        std::uint8_t* header = buffer_.data();
        ByteOrder::StoreLittleEndian16(header + kHeaderIndexOffset,
                                       ByteOrder::LoadLittleEndian16(header + kHeaderIndexOffset) +
                                           1);
        ByteOrder::StoreLittleEndian32(
            header + kHeaderPayloadOffset,
            ByteOrder::LoadLittleEndian32(header + kHeaderPayloadOffset) +
                static_cast<std::uint32_t>(fill_ - kDatagramHeaderSize));
    }
    fill_ = Start();
}
